#include "Logbook.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <atomic>
#include <cmath>

namespace io {

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr int kSqliteNotADatabase = 26;

/// Records and withdrawals are only ever inserted: the triggers refuse the rest.
const char* const kSchema[] = {
    R"(CREATE TABLE records (
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        recorded_at TEXT NOT NULL CHECK (julianday(recorded_at) IS NOT NULL),
        electrode TEXT NOT NULL CHECK (electrode <> ''),
        data_file TEXT NOT NULL,
        data_sha256 TEXT NOT NULL CHECK (length(data_sha256) = 64),
        identifier TEXT NOT NULL,
        temperature REAL NOT NULL,
        pkw REAL NOT NULL,
        range1 REAL NOT NULL,
        range2 REAL NOT NULL,
        range3 REAL NOT NULL,
        range4 REAL NOT NULL,
        points_used INTEGER NOT NULL,
        points_ignored INTEGER NOT NULL,
        e0 REAL NOT NULL,
        e0_sd REAL NOT NULL,
        slope REAL NOT NULL,
        slope_sd REAL NOT NULL,
        slope_factor REAL NOT NULL,
        rms REAL NOT NULL,
        acid_endpoint REAL NOT NULL,
        acid_endpoint_sd REAL NOT NULL,
        alkali_endpoint REAL NOT NULL,
        alkali_endpoint_sd REAL NOT NULL,
        impurity_percent REAL NOT NULL,
        alkali_conc REAL NOT NULL,
        alkali_conc_sd REAL NOT NULL,
        verdict_ok INTEGER NOT NULL CHECK (verdict_ok = (verdict_reasons = '')),
        verdict_reasons TEXT NOT NULL,
        program_version TEXT NOT NULL
    ) STRICT)",
    "CREATE INDEX records_by_electrode ON records (electrode)",
    R"(CREATE TABLE withdrawals (
        record_id INTEGER PRIMARY KEY REFERENCES records (id),
        withdrawn_at TEXT NOT NULL CHECK (julianday(withdrawn_at) IS NOT NULL),
        reason TEXT NOT NULL CHECK (trim(reason) <> '')
    ) STRICT)",
    "CREATE TRIGGER records_never_change BEFORE UPDATE ON records "
    "BEGIN SELECT RAISE(ABORT, 'logbook records are never changed'); END",
    "CREATE TRIGGER records_never_go BEFORE DELETE ON records "
    "BEGIN SELECT RAISE(ABORT, 'logbook records are never deleted'); END",
    "CREATE TRIGGER withdrawals_never_change BEFORE UPDATE ON withdrawals "
    "BEGIN SELECT RAISE(ABORT, 'withdrawals are never changed'); END",
    "CREATE TRIGGER withdrawals_never_go BEFORE DELETE ON withdrawals "
    "BEGIN SELECT RAISE(ABORT, 'withdrawals are never deleted'); END",
};

// The columns of a record after its id, in the order they are written and read.
struct TextColumn {
    const char* name;
    std::string LogbookRecord::*field;
};
constexpr TextColumn kTextColumns[] = {
    {"recorded_at", &LogbookRecord::recordedAt},
    {"electrode", &LogbookRecord::electrode},
    {"data_file", &LogbookRecord::dataFile},
    {"data_sha256", &LogbookRecord::dataSha256},
    {"identifier", &LogbookRecord::identifier},
    {"program_version", &LogbookRecord::programVersion},
};
struct IntColumn {
    const char* name;
    int LogbookRecord::*field;
};
constexpr IntColumn kIntColumns[] = {
    {"points_used", &LogbookRecord::pointsUsed},
    {"points_ignored", &LogbookRecord::pointsIgnored},
};
struct RealColumn {
    const char* name;
    double LogbookRecord::*field;
};
constexpr RealColumn kRealColumns[] = {
    {"temperature", &LogbookRecord::temperature},
    {"pkw", &LogbookRecord::pKw},
    {"e0", &LogbookRecord::E0},
    {"e0_sd", &LogbookRecord::E0sd},
    {"slope", &LogbookRecord::slope},
    {"slope_sd", &LogbookRecord::slopeSd},
    {"slope_factor", &LogbookRecord::slopeFactor},
    {"rms", &LogbookRecord::rms},
    {"acid_endpoint", &LogbookRecord::acidEndPoint},
    {"acid_endpoint_sd", &LogbookRecord::acidEndPointSd},
    {"alkali_endpoint", &LogbookRecord::alkaliEndPoint},
    {"alkali_endpoint_sd", &LogbookRecord::alkaliEndPointSd},
    {"impurity_percent", &LogbookRecord::impurityPercent},
    {"alkali_conc", &LogbookRecord::alkaliConc},
    {"alkali_conc_sd", &LogbookRecord::alkaliConcSd},
};
constexpr const char* kRangeColumns[] = {"range1", "range2", "range3", "range4"};
constexpr const char* kVerdictColumns[] = {"verdict_ok", "verdict_reasons"};

/// The names of the record columns after the id, comma separated, in order.
QString recordColumns() {
    QStringList names;
    for (const TextColumn& c : kTextColumns)
        names << c.name;
    for (const IntColumn& c : kIntColumns)
        names << c.name;
    for (const RealColumn& c : kRealColumns)
        names << c.name;
    for (const char* name : kRangeColumns)
        names << name;
    for (const char* name : kVerdictColumns)
        names << name;
    return names.join(", ");
}

void bindRecord(QSqlQuery& q, const LogbookRecord& r) {
    for (const TextColumn& c : kTextColumns)
        q.addBindValue(QString::fromStdString(r.*c.field));
    for (const IntColumn& c : kIntColumns)
        q.addBindValue(r.*c.field);
    for (const RealColumn& c : kRealColumns)
        q.addBindValue(r.*c.field);
    for (double bound : r.ranges)
        q.addBindValue(bound);
    std::string reasons;
    for (const std::string& reason : r.verdict.reasons)
        reasons += (reasons.empty() ? "" : "\n") + reason;
    q.addBindValue(r.verdict.ok() ? 1 : 0);
    q.addBindValue(QString::fromStdString(reasons));
}

/// Reads the record columns starting at the query's column `first`.
LogbookRecord readRecord(const QSqlQuery& q, int first) {
    LogbookRecord r;
    int i = first;
    for (const TextColumn& c : kTextColumns)
        r.*c.field = q.value(i++).toString().toStdString();
    for (const IntColumn& c : kIntColumns)
        r.*c.field = q.value(i++).toInt();
    for (const RealColumn& c : kRealColumns)
        r.*c.field = q.value(i++).toDouble();
    for (double& bound : r.ranges)
        bound = q.value(i++).toDouble();
    ++i; // verdict_ok follows from the reasons
    const QString reasons = q.value(i).toString();
    if (!reasons.isEmpty())
        for (const QString& reason : reasons.split('\n'))
            r.verdict.reasons.push_back(reason.toStdString());
    return r;
}

/// The name of a number of the record that is not finite (SQLite would store it
/// as NULL), or nullptr.
const char* nonFiniteColumn(const LogbookRecord& r) {
    for (const RealColumn& c : kRealColumns)
        if (!std::isfinite(r.*c.field))
            return c.name;
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
        if (!std::isfinite(r.ranges[i]))
            return kRangeColumns[i];
    return nullptr;
}

std::string trimmed(const std::string& text) {
    return QString::fromStdString(text).trimmed().toStdString();
}

std::string reasonOf(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.toStdString();
}

QSqlDatabase connection(const std::string& name) {
    return QSqlDatabase::database(QString::fromStdString(name), false);
}

/// BEGIN IMMEDIATE takes the write lock at once, so that two writers wait for
/// each other instead of failing halfway. Rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(const QSqlDatabase& db) : m_db(db) {}
    ~WriteTransaction() {
        if (m_open)
            QSqlQuery(m_db).exec("ROLLBACK");
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    QSqlError begin() { return run("BEGIN IMMEDIATE", true); }
    QSqlError commit() { return run("COMMIT", false); }

private:
    QSqlError run(const char* statement, bool openAfter) {
        QSqlQuery q(m_db);
        if (!q.exec(statement))
            return q.lastError();
        m_open = openAfter;
        return {};
    }

    QSqlDatabase m_db;
    bool m_open = false;
};

/// What the header and the schema of an SQLite file say it is.
struct Identity {
    long long applicationId = 0;
    long long version = 0;
    long long objects = 0; ///< tables, indexes and triggers
    bool empty() const { return applicationId == 0 && version == 0 && objects == 0; }
};

QSqlError readIdentity(const QSqlDatabase& db, Identity& identity) {
    const std::pair<const char*, long long*> reads[] = {
        {"PRAGMA application_id", &identity.applicationId},
        {"PRAGMA user_version", &identity.version},
        {"SELECT count(*) FROM sqlite_schema", &identity.objects},
    };
    for (const auto& [statement, value] : reads) {
        QSqlQuery q(db);
        if (!q.exec(statement) || !q.next())
            return q.lastError();
        *value = q.value(0).toLongLong();
    }
    return {};
}

QSqlError createSchema(const QSqlDatabase& db) {
    QSqlQuery q(db);
    for (const char* statement : kSchema)
        if (!q.exec(statement))
            return q.lastError();
    for (const QString& pragma :
         {QString("PRAGMA application_id = %1").arg(Logbook::kApplicationId),
          QString("PRAGMA user_version = %1").arg(Logbook::kSchemaVersion)})
        if (!q.exec(pragma))
            return q.lastError();
    return {};
}

std::atomic<int> g_connections{0};

} // namespace

Logbook::Logbook() = default;

Logbook::~Logbook() {
    close();
}

void Logbook::close() {
    if (m_connection.empty())
        return;
    const QString name = QString::fromStdString(m_connection);
    connection(m_connection).close(); // the handle goes before the connection is removed
    QSqlDatabase::removeDatabase(name);
    m_connection.clear();
    m_path.clear();
}

std::string Logbook::open(const std::string& path) {
    close();
    if (std::string error = openConnection(path); !error.empty())
        return error;
    std::string error = checkOrCreateSchema();
    if (!error.empty())
        close();
    return error;
}

std::string Logbook::openConnection(const std::string& path) {
    const std::string failure = "The logbook \"" + path + "\" cannot be opened: ";
    if (!QSqlDatabase::isDriverAvailable("QSQLITE"))
        return failure +
               "the SQLite driver of Qt SQL is missing (Debian package libqt6sql6-sqlite)";
    const QFileInfo info(QString::fromStdString(path));
    if (info.isDir())
        return failure + "it is a folder";
    if (!info.dir().exists())
        return failure + "its folder does not exist";
    const QString name = QString("tamo-logbook-%1").arg(g_connections++);
    std::string error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(QString::fromStdString(path));
        db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!db.open())
            error = failure + reasonOf(db.lastError());
    }
    if (!error.empty()) {
        QSqlDatabase::removeDatabase(name);
        return error;
    }
    m_connection = name.toStdString();
    m_path = path;
    return {};
}

std::string Logbook::checkOrCreateSchema() {
    const QSqlDatabase db = connection(m_connection);
    const std::string file = "\"" + m_path + "\"";
    QSqlError error;
    {
        QSqlQuery q(db);
        // Each write reaches the disk before its transaction counts as done.
        for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL"})
            if (!error.isValid() && !q.exec(pragma))
                error = q.lastError();
    }
    Identity identity;
    if (!error.isValid())
        error = readIdentity(db, identity);
    if (!error.isValid() && identity.empty()) {
        // A new file: create the schema, unless another process did just now.
        WriteTransaction transaction(db);
        error = transaction.begin();
        if (!error.isValid())
            error = readIdentity(db, identity);
        if (!error.isValid() && identity.empty()) {
            error = createSchema(db);
            if (!error.isValid())
                error = readIdentity(db, identity);
        }
        if (!error.isValid())
            error = transaction.commit();
    }
    if (error.isValid()) {
        if (error.nativeErrorCode().toInt() == kSqliteNotADatabase)
            return "The file " + file + " is not a TAMO logbook: it is not an SQLite database";
        return "The logbook " + file + " cannot be opened: " + reasonOf(error);
    }
    if (identity.applicationId != kApplicationId)
        return "The file " + file + " is not a TAMO logbook: it is an SQLite database of " +
               "another program";
    if (identity.version > kSchemaVersion)
        return "The logbook " + file + " was written by a newer version of TAMO (format " +
               std::to_string(identity.version) + "; this version reads format " +
               std::to_string(kSchemaVersion) + ")";
    if (identity.version < 1)
        return "The file " + file + " is not a TAMO logbook: it has no format version";
    return {};
}

std::string Logbook::add(LogbookRecord& record) {
    if (!isOpen())
        return "No logbook is open";
    LogbookRecord r = record;
    r.electrode = trimmed(r.electrode);
    if (r.electrode.empty())
        return "The electrode needs a name";
    if (const char* column = nonFiniteColumn(r))
        return std::string("The record's ") + column + " is not a finite number";
    const std::string failure = "The logbook \"" + m_path + "\" cannot be written: ";
    const QSqlDatabase db = connection(m_connection);
    WriteTransaction transaction(db);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    {
        QSqlQuery q(db);
        const QString columns = recordColumns();
        q.prepare("INSERT INTO records (" + columns + ") VALUES (" +
                  QStringList(columns.count(',') + 1, "?").join(", ") + ")");
        bindRecord(q, r);
        if (!q.exec())
            return failure + reasonOf(q.lastError());
        r.id = q.lastInsertId().toLongLong();
    }
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    record = r;
    return {};
}

std::string Logbook::withdraw(long long id, const std::string& reason,
                              const std::string& withdrawnAt) {
    if (!isOpen())
        return "No logbook is open";
    if (trimmed(reason).empty())
        return "A withdrawal needs a reason";
    const std::string failure = "The logbook \"" + m_path + "\" cannot be written: ";
    const QSqlDatabase db = connection(m_connection);
    WriteTransaction transaction(db);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    {
        QSqlQuery q(db);
        q.prepare("SELECT r.id, w.record_id FROM records r LEFT JOIN withdrawals w "
                  "ON w.record_id = r.id WHERE r.id = ?");
        q.addBindValue(id);
        if (!q.exec())
            return failure + reasonOf(q.lastError());
        if (!q.next())
            return "The logbook \"" + m_path + "\" has no record " + std::to_string(id);
        if (!q.value(1).isNull())
            return "Record " + std::to_string(id) + " of the logbook \"" + m_path +
                   "\" is already withdrawn";
        q.finish();
        q.prepare("INSERT INTO withdrawals (record_id, withdrawn_at, reason) VALUES (?, ?, ?)");
        q.addBindValue(id);
        q.addBindValue(QString::fromStdString(withdrawnAt));
        q.addBindValue(QString::fromStdString(trimmed(reason)));
        if (!q.exec())
            return failure + reasonOf(q.lastError());
    }
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    return {};
}

std::string Logbook::electrodeNames(std::vector<std::string>& names) const {
    if (!isOpen())
        return "No logbook is open";
    QSqlQuery q(connection(m_connection));
    if (!q.exec("SELECT DISTINCT electrode FROM records ORDER BY electrode COLLATE NOCASE, "
                "electrode"))
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(q.lastError());
    std::vector<std::string> found;
    while (q.next())
        found.push_back(q.value(0).toString().toStdString());
    names = std::move(found);
    return {};
}

std::string Logbook::entries(const std::string& electrode,
                             std::vector<LogbookEntry>& entries) const {
    if (!isOpen())
        return "No logbook is open";
    QSqlQuery q(connection(m_connection));
    q.prepare("SELECT w.withdrawn_at, w.reason, r.id, " + recordColumns() +
              " FROM records r LEFT JOIN withdrawals w ON w.record_id = r.id "
              "WHERE r.electrode = ? ORDER BY julianday(r.recorded_at), r.id");
    q.addBindValue(QString::fromStdString(trimmed(electrode)));
    if (!q.exec())
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(q.lastError());
    std::vector<LogbookEntry> found;
    while (q.next()) {
        LogbookEntry& entry = found.emplace_back();
        entry.record = readRecord(q, 3);
        entry.record.id = q.value(2).toLongLong();
        if (!q.value(0).isNull())
            entry.withdrawal = Withdrawal{q.value(0).toString().toStdString(),
                                          q.value(1).toString().toStdString()};
    }
    if (q.lastError().isValid())
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(q.lastError());
    entries = std::move(found);
    return {};
}

std::string defaultLogbookPath() {
    return (QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/logbook.sqlite")
        .toStdString();
}

} // namespace io

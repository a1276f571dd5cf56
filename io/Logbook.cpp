#include "Logbook.h"

#include "LogbookSql.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariant>
#include <atomic>
#include <unordered_map>

namespace io {

using namespace logbooksql;

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

std::atomic<int> g_connections{0};

std::string trimmed(const std::string& text) {
    return QString::fromStdString(text).trimmed().toStdString();
}

/// The column, or NULL where the file has not got it.
QString columnOr(const Logbook::Schema& s, const QString& table, const QString& column,
                 const QString& alias) {
    return s.columns.contains(table + '.' + column) ? alias + '.' + column : QStringLiteral("NULL");
}

/// The records that the condition on `records r` selects, with their withdrawals
/// and points, in the order of measurement (of entry where it is not known).
QSqlError readEntries(const QSqlDatabase& db, const Logbook::Schema& s, const QString& condition,
                      const QVariantList& values, std::vector<LogbookEntry>& found) {
    QSqlQuery q(db);
    const QString measured = s.columns.contains("records.measured_at")
                                 ? QStringLiteral("coalesce(r.measured_at, r.recorded_at)")
                                 : QStringLiteral("r.recorded_at");
    q.prepare("SELECT w.withdrawn_at, w.reason, " + columnOr(s, "withdrawals", "operator", "w") +
              ", " + columnOr(s, "withdrawals", "comment", "w") + ", r.id, " +
              recordColumns(s.columns, "r.") +
              " FROM records r LEFT JOIN withdrawals w ON w.record_id = r.id WHERE " + condition +
              " ORDER BY julianday(" + measured + "), r.id");
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return q.lastError();
    while (q.next()) {
        LogbookEntry& entry = found.emplace_back();
        entry.record = readRecord(q, 5);
        entry.record.id = q.value(4).toLongLong();
        if (!q.value(0).isNull())
            entry.withdrawal = Withdrawal{
                q.value(0).toString().toStdString(), q.value(1).toString().toStdString(),
                q.value(2).toString().toStdString(), q.value(3).toString().toStdString()};
    }
    if (q.lastError().isValid())
        return q.lastError();
    if (!s.tables.contains("record_points"))
        return {};
    std::unordered_map<long long, LogbookRecord*> byId;
    for (LogbookEntry& e : found)
        byId[e.record.id] = &e.record;
    QSqlQuery p(db);
    p.prepare("SELECT p.record_id, p.volume, p.emf, p.used, p.start_ph FROM record_points p "
              "JOIN records r ON r.id = p.record_id WHERE " +
              condition + " ORDER BY p.record_id, p.number");
    for (const QVariant& v : values)
        p.addBindValue(v);
    if (!p.exec())
        return p.lastError();
    while (p.next())
        if (const auto it = byId.find(p.value(0).toLongLong()); it != byId.end())
            it->second->points.push_back(readPoint(p, 1));
    return p.lastError();
}

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
    m_warning.clear();
    m_damage.clear();
    m_unreadable = 0;
    m_salvaged.clear();
    m_format = 0;
    m_schema = std::make_unique<Schema>();
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
    if (error.isValid() && error.nativeErrorCode().toInt() == kSqliteCorrupt) {
        // A file cut short is refused unless SQLite is told to read it as it is;
        // the soundness check then finds it damaged, and it is only read.
        QSqlQuery q(db);
        error = q.exec("PRAGMA writable_schema = ON") ? readIdentity(db, identity) : q.lastError();
    }
    if (!error.isValid() && identity.empty()) {
        // A new file: create the schema, unless another process did just now.
        Transaction transaction(db, Transaction::Kind::Write);
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
    // One state of the file, though other processes write it: an index and its
    // table read between their writes would differ.
    Transaction read(db, Transaction::Kind::Read);
    if (const QSqlError e = read.begin(); e.isValid())
        return "The logbook " + file + " cannot be opened: " + reasonOf(e);
    if (std::string e = readSchema(); !e.empty())
        return e;
    QStringList gone;
    for (const QString& table : {QStringLiteral("records"), QStringLiteral("withdrawals")})
        if (!m_schema->tables.contains(table))
            gone << table;
    if (!gone.isEmpty())
        return "The logbook " + file + " has lost its tables (" + gone.join(", ").toStdString() +
               "): its records cannot be read";
    checkSoundness();
    return {};
}

std::string Logbook::readSchema() const {
    const QSqlDatabase db = connection(m_connection);
    if (QSqlError e = readNumber(db, "PRAGMA user_version", m_format); e.isValid())
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(e);
    m_schema->columns = columnsOf(db);
    m_schema->tables = objectsOf(db, "table");
    m_schema->triggers = objectsOf(db, "trigger");
    m_schema->indexes = objectsOf(db, "index");
    return {};
}

std::string Logbook::writeRefusal() const {
    if (!isOpen())
        return "No logbook is open";
    return m_warning;
}

std::string Logbook::add(LogbookRecord& record, Duplicates duplicates, long long* duplicateOf) {
    if (duplicateOf)
        *duplicateOf = 0;
    if (std::string refusal = writeRefusal(); !refusal.empty())
        return refusal;
    LogbookRecord r = record;
    r.electrode = trimmed(r.electrode);
    if (r.electrode.empty())
        return "The electrode needs a name";
    if (const char* column = nonFiniteColumn(r))
        return std::string("The record's ") + column + " is not a finite number";
    if (r.reproducible && !isDateTimeText(r.measuredAt))
        return "The measurement time \"" + r.measuredAt + "\" is not a date and time";
    if (std::string error = upgrade(); !error.empty())
        return error;
    const std::string failure = "The logbook \"" + m_path + "\" cannot be written: ";
    Transaction transaction(connection(m_connection), Transaction::Kind::Write);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    if (duplicates == Duplicates::Refuse) {
        long long id = 0;
        if (std::string error = duplicateIn(r, id); !error.empty())
            return failure + error;
        if (id != 0) {
            if (duplicateOf)
                *duplicateOf = id;
            return "The logbook \"" + m_path + "\" holds this calibration already, as record " +
                   std::to_string(id);
        }
    }
    if (std::string error = insert(r); !error.empty())
        return failure + error;
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    record = r;
    return {};
}

std::string Logbook::duplicateIn(const LogbookRecord& record, long long& id) const {
    id = 0;
    std::vector<LogbookEntry> kept;
    if (QSqlError e = readEntries(
            connection(m_connection), *m_schema,
            "r.electrode = ? COLLATE NOCASE AND r.data_sha256 = ?",
            {QString::fromStdString(record.electrode), QString::fromStdString(record.dataSha256)},
            kept);
        e.isValid())
        return reasonOf(e);
    for (const LogbookEntry& e : kept)
        if (sameCalibration(e.record, record)) {
            id = e.record.id;
            break;
        }
    return {};
}

std::string Logbook::insert(LogbookRecord& r) const {
    QSqlQuery q(connection(m_connection));
    const QString columns = recordColumnNames();
    q.prepare("INSERT INTO records (" + columns + ") VALUES (" +
              QStringList(columns.count(',') + 1, "?").join(", ") + ")");
    bindRecord(q, r);
    if (!q.exec())
        return reasonOf(q.lastError());
    r.id = q.lastInsertId().toLongLong();
    q.finish();
    q.prepare("INSERT INTO record_points (record_id, number, volume, emf, used, start_ph) "
              "VALUES (?, ?, ?, ?, ?, ?)");
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const RecordPoint& p = r.points[i];
        for (const QVariant& v :
             {QVariant(r.id), QVariant(static_cast<long long>(i + 1)), QVariant(p.volume),
              QVariant(p.emf), QVariant(p.used ? 1 : 0), QVariant(p.startPH)})
            q.addBindValue(v);
        if (!q.exec())
            return reasonOf(q.lastError());
    }
    return {};
}

std::string Logbook::withdraw(long long id, const std::string& reason,
                              const std::string& withdrawnAt, const std::string& operatorName,
                              const std::string& comment) {
    if (std::string refusal = writeRefusal(); !refusal.empty())
        return refusal;
    if (trimmed(reason).empty())
        return "A withdrawal needs a reason";
    if (std::string error = upgrade(); !error.empty())
        return error;
    const std::string failure = "The logbook \"" + m_path + "\" cannot be written: ";
    const QSqlDatabase db = connection(m_connection);
    Transaction transaction(db, Transaction::Kind::Write);
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
        q.prepare("INSERT INTO withdrawals (record_id, withdrawn_at, reason, operator, comment) "
                  "VALUES (?, ?, ?, ?, ?)");
        q.addBindValue(id);
        for (const std::string& text : {withdrawnAt, trimmed(reason), operatorName, comment})
            q.addBindValue(QString::fromStdString(text));
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
    if (!m_damage.empty()) {
        names = salvagedElectrodes(m_salvaged);
        return {};
    }
    QSqlQuery q(connection(m_connection));
    // Each electrode by the name of its first record (SQLite takes the bare
    // column from the row of min(id)).
    if (!q.exec("SELECT electrode, min(id) FROM records GROUP BY electrode COLLATE NOCASE "
                "ORDER BY electrode COLLATE NOCASE, electrode"))
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(q.lastError());
    std::vector<std::string> found;
    while (q.next())
        found.push_back(q.value(0).toString().toStdString());
    if (q.lastError().isValid())
        return "The logbook \"" + m_path + "\" cannot be read: " + reasonOf(q.lastError());
    names = std::move(found);
    return {};
}

std::string Logbook::entries(const std::string& electrode,
                             std::vector<LogbookEntry>& entries) const {
    if (!isOpen())
        return "No logbook is open";
    if (!m_damage.empty()) {
        entries = salvagedEntries(m_salvaged, trimmed(electrode));
        return {};
    }
    const std::string failure = "The logbook \"" + m_path + "\" cannot be read: ";
    const QSqlDatabase db = connection(m_connection);
    // One state of the file, in the format it has now: another process may have upgraded it.
    Transaction transaction(db, Transaction::Kind::Read);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    long long format = 0;
    if (const QSqlError e = readNumber(db, "PRAGMA user_version", format); e.isValid())
        return failure + reasonOf(e);
    if (format != m_format)
        if (std::string error = readSchema(); !error.empty())
            return error;
    std::vector<LogbookEntry> found;
    if (const QSqlError e = readEntries(db, *m_schema, "r.electrode = ? COLLATE NOCASE",
                                        {QString::fromStdString(trimmed(electrode))}, found);
        e.isValid())
        return failure + reasonOf(e);
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    entries = std::move(found);
    return {};
}

std::string Logbook::findDuplicate(const LogbookRecord& record, long long& id) const {
    std::vector<LogbookEntry> kept;
    if (std::string error = entries(record.electrode, kept); !error.empty())
        return error;
    id = 0;
    for (const LogbookEntry& e : kept)
        if (sameCalibration(e.record, record)) {
            id = e.record.id;
            break;
        }
    return {};
}

std::string defaultLogbookPath() {
    return (QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/logbook.sqlite")
        .toStdString();
}

} // namespace io

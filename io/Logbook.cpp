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
#include <unordered_map>

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

/// What format 2 adds to format 1: a new file is made of both, an older one is
/// upgraded by these. Columns added to kept records hold NULL in them.
const char* const kFormat2[] = {
    "ALTER TABLE records ADD COLUMN measured_at TEXT "
    "CHECK (measured_at IS NULL OR julianday(measured_at) IS NOT NULL)",
    "ALTER TABLE records ADD COLUMN operator TEXT",
    "ALTER TABLE records ADD COLUMN comment TEXT",
    "ALTER TABLE records ADD COLUMN titrand_volume REAL",
    "ALTER TABLE records ADD COLUMN electrolyte_volume REAL",
    "ALTER TABLE records ADD COLUMN titrand_conc REAL",
    "ALTER TABLE records ADD COLUMN burette_conc REAL",
    "ALTER TABLE records ADD COLUMN gamma REAL",
    "ALTER TABLE records ADD COLUMN gamma_typed REAL",
    "ALTER TABLE records ADD COLUMN gamma_refined INTEGER",
    "ALTER TABLE records ADD COLUMN endpoint_ratio_start REAL",
    "ALTER TABLE records ADD COLUMN limit_slope_factor_min REAL",
    "ALTER TABLE records ADD COLUMN limit_slope_factor_max REAL",
    "ALTER TABLE records ADD COLUMN limit_rms_max REAL",
    "ALTER TABLE records ADD COLUMN limit_impurity_max REAL",
    "ALTER TABLE records ADD COLUMN limit_alkali_deviation_max REAL",
    "ALTER TABLE records ADD COLUMN limit_impurity_min REAL",
    "ALTER TABLE records ADD COLUMN limit_e0_min REAL",
    "ALTER TABLE records ADD COLUMN limit_e0_max REAL",
    "ALTER TABLE records ADD COLUMN edited INTEGER CHECK (edited IS NULL OR edited IN (0, 1))",
    "ALTER TABLE withdrawals ADD COLUMN operator TEXT",
    "ALTER TABLE withdrawals ADD COLUMN comment TEXT",
    R"(CREATE TABLE record_points (
        record_id INTEGER NOT NULL REFERENCES records (id),
        number INTEGER NOT NULL CHECK (number >= 1),
        volume REAL NOT NULL,
        emf REAL NOT NULL,
        used INTEGER NOT NULL CHECK (used IN (0, 1)),
        start_ph REAL NOT NULL,
        PRIMARY KEY (record_id, number)
    ) STRICT)",
    "CREATE TRIGGER record_points_never_change BEFORE UPDATE ON record_points "
    "BEGIN SELECT RAISE(ABORT, 'logbook records are never changed'); END",
    "CREATE TRIGGER record_points_never_go BEFORE DELETE ON record_points "
    "BEGIN SELECT RAISE(ABORT, 'logbook records are never deleted'); END",
};

/// The triggers that keep records and withdrawals as they were written.
constexpr const char* kTriggers[] = {
    "records_never_change", "records_never_go",           "withdrawals_never_change",
    "withdrawals_never_go", "record_points_never_change", "record_points_never_go",
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

// The columns of format 2, after those above.
constexpr TextColumn kReproductionTexts[] = {
    {"measured_at", &LogbookRecord::measuredAt},
    {"operator", &LogbookRecord::operatorName},
    {"comment", &LogbookRecord::comment},
};
constexpr RealColumn kReproductionReals[] = {
    {"titrand_volume", &LogbookRecord::titrandVolume},
    {"electrolyte_volume", &LogbookRecord::electrolyteVolume},
    {"titrand_conc", &LogbookRecord::titrandConc},
    {"burette_conc", &LogbookRecord::buretteConc},
    {"gamma", &LogbookRecord::gamma},
    {"gamma_typed", &LogbookRecord::gammaTyped},
    {"endpoint_ratio_start", &LogbookRecord::endPointRatioStart},
};
struct LimitColumn {
    const char* name;
    double core::VerdictLimits::*limit;
};
constexpr LimitColumn kLimitColumns[] = {
    {"limit_slope_factor_min", &core::VerdictLimits::slopeFactorMin},
    {"limit_slope_factor_max", &core::VerdictLimits::slopeFactorMax},
    {"limit_rms_max", &core::VerdictLimits::rmsMax},
    {"limit_impurity_max", &core::VerdictLimits::impurityMax},
    {"limit_alkali_deviation_max", &core::VerdictLimits::alkaliDeviationMax},
    {"limit_impurity_min", &core::VerdictLimits::impurityMin},
};
constexpr const char* kWindowColumns[] = {"limit_e0_min", "limit_e0_max"};
constexpr const char* kFlagColumns[] = {"gamma_refined", "edited"};

QStringList format1Columns() {
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
    return names;
}

QStringList format2Columns() {
    QStringList names;
    for (const TextColumn& c : kReproductionTexts)
        names << c.name;
    for (const RealColumn& c : kReproductionReals)
        names << c.name;
    for (const LimitColumn& c : kLimitColumns)
        names << c.name;
    for (const char* name : kWindowColumns)
        names << name;
    for (const char* name : kFlagColumns)
        names << name;
    return names;
}

/// The record columns after the id, comma separated, in order, as the query
/// reads them from a file of the format: NULL stands for those it has not.
QString recordColumns(long long format, const QString& table = {}) {
    QStringList names;
    for (const QString& name : format1Columns())
        names << table + name;
    for (const QString& name : format2Columns())
        names << (format >= 2 ? table + name : QStringLiteral("NULL"));
    return names.join(", ");
}

QVariant nullValue(QMetaType::Type type) {
    return QVariant(QMetaType(type));
}

QVariant optionalValue(const std::optional<double>& value) {
    return value ? QVariant(*value) : nullValue(QMetaType::Double);
}

/// The columns of format 2; all NULL for a record that is not reproducible.
void bindFormat2(QSqlQuery& q, const LogbookRecord& r) {
    if (!r.reproducible) {
        for (qsizetype i = 0; i < format2Columns().size(); ++i)
            q.addBindValue(nullValue(QMetaType::Double));
        return;
    }
    for (const TextColumn& c : kReproductionTexts)
        q.addBindValue(QString::fromStdString(r.*c.field));
    for (const RealColumn& c : kReproductionReals)
        q.addBindValue(r.*c.field);
    for (const LimitColumn& c : kLimitColumns)
        q.addBindValue(r.limits.*c.limit);
    q.addBindValue(optionalValue(r.limits.e0Min));
    q.addBindValue(optionalValue(r.limits.e0Max));
    q.addBindValue(r.gammaRefined ? 1 : 0);
    q.addBindValue(r.edited ? 1 : 0);
}

/// Reads the columns of format 2 from the query's column i on. They are NULL
/// in a record of format 1, which is then not reproducible.
void readFormat2(const QSqlQuery& q, int i, LogbookRecord& r) {
    const int flags =
        i + static_cast<int>(std::size(kReproductionTexts) + std::size(kReproductionReals) +
                             std::size(kLimitColumns) + std::size(kWindowColumns));
    r.reproducible = !q.value(flags).isNull();
    if (!r.reproducible)
        return;
    for (const TextColumn& c : kReproductionTexts)
        r.*c.field = q.value(i++).toString().toStdString();
    for (const RealColumn& c : kReproductionReals)
        r.*c.field = q.value(i++).toDouble();
    for (const LimitColumn& c : kLimitColumns)
        r.limits.*c.limit = q.value(i++).toDouble();
    for (std::optional<double>* limit : {&r.limits.e0Min, &r.limits.e0Max}) {
        const QVariant v = q.value(i++);
        *limit = v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
    }
    r.gammaRefined = q.value(i++).toInt() != 0;
    r.edited = q.value(i).toInt() != 0;
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
    bindFormat2(q, r);
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
    const QString reasons = q.value(i++).toString();
    if (!reasons.isEmpty())
        for (const QString& reason : reasons.split('\n'))
            r.verdict.reasons.push_back(reason.toStdString());
    readFormat2(q, i, r);
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
    for (const RealColumn& c : kReproductionReals)
        if (!std::isfinite(r.*c.field))
            return c.name;
    for (const RecordPoint& p : r.points)
        if (!std::isfinite(p.volume) || !std::isfinite(p.emf) || !std::isfinite(p.startPH))
            return "point table";
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

QSqlError runAll(const QSqlDatabase& db, const auto& statements) {
    QSqlQuery q(db);
    for (const char* statement : statements)
        if (!q.exec(statement))
            return q.lastError();
    return {};
}

QSqlError setFormat(const QSqlDatabase& db, int format) {
    QSqlQuery q(db);
    if (!q.exec(QString("PRAGMA user_version = %1").arg(format)))
        return q.lastError();
    return {};
}

/// The first line of SQLite's quick check ("ok" for a sound file), or its error.
std::string quickCheck(const QSqlDatabase& db) {
    QSqlQuery q(db);
    if (!q.exec("PRAGMA quick_check"))
        return reasonOf(q.lastError());
    if (!q.next())
        return q.lastError().isValid() ? reasonOf(q.lastError()) : "no answer";
    return q.value(0).toString().toStdString();
}

/// The names of the objects of the type that the file has of the names given.
QStringList objectsPresent(const QSqlDatabase& db, const char* type, const QStringList& names) {
    QSqlQuery q(db);
    q.prepare("SELECT name FROM sqlite_schema WHERE type = ?");
    q.addBindValue(QString(type));
    QStringList present;
    if (q.exec())
        while (q.next())
            if (names.contains(q.value(0).toString()))
                present << q.value(0).toString();
    return present;
}

QStringList missing(const QStringList& wanted, const QStringList& present) {
    QStringList gone;
    for (const QString& name : wanted)
        if (!present.contains(name))
            gone << name;
    return gone;
}

/// A name for the copy of a file of format 1 beside it, taken by no file yet.
QString copyName(const QString& path) {
    QString name = path + ".format1";
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = path + ".format1." + QString::number(n);
    return name;
}

QSqlError createSchema(const QSqlDatabase& db) {
    QSqlQuery q(db);
    if (QSqlError e = runAll(db, kSchema); e.isValid())
        return e;
    if (QSqlError e = runAll(db, kFormat2); e.isValid())
        return e;
    if (!q.exec(QString("PRAGMA application_id = %1").arg(Logbook::kApplicationId)))
        return q.lastError();
    return setFormat(db, Logbook::kSchemaVersion);
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
    m_warning.clear();
    m_format = 0;
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
    const QStringList tables{"records", "withdrawals"};
    if (const QStringList gone = missing(tables, objectsPresent(db, "table", tables));
        !gone.isEmpty())
        return "The logbook " + file + " has lost its tables (" + gone.join(", ").toStdString() +
               "): its records cannot be read";
    m_format = identity.version;
    checkIntegrity();
    return {};
}

void Logbook::checkIntegrity() {
    const QSqlDatabase db = connection(m_connection);
    const std::string file = "\"" + m_path + "\"";
    if (const std::string check = quickCheck(db); check != "ok") {
        m_warning = "The logbook " + file + " is damaged (" + check +
                    "): what can be read is shown, but nothing is written to it";
        return;
    }
    QStringList triggers;
    for (const char* name : kTriggers)
        if (m_format >= 2 || !QString(name).startsWith("record_points"))
            triggers << name;
    if (const QStringList gone = missing(triggers, objectsPresent(db, "trigger", triggers));
        !gone.isEmpty())
        m_warning = "The logbook " + file +
                    " has lost the triggers that keep its records from being changed (" +
                    gone.join(", ").toStdString() + "): nothing is written to it";
}

std::string Logbook::writeRefusal() const {
    if (!isOpen())
        return "No logbook is open";
    return m_warning;
}

std::string Logbook::upgrade() {
    if (m_format >= kSchemaVersion)
        return {};
    const std::string failure = "The logbook \"" + m_path + "\" cannot be upgraded: ";
    const QSqlDatabase db = connection(m_connection);
    WriteTransaction transaction(db);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    Identity identity;
    if (const QSqlError e = readIdentity(db, identity); e.isValid())
        return failure + reasonOf(e);
    if (identity.version < kSchemaVersion) {
        // Holding the write lock, the file on disk is whole and nobody changes it.
        const QString path = QString::fromStdString(m_path);
        const QString copy = copyName(path);
        if (!QFile::copy(path, copy))
            return failure + "no copy of it could be kept as \"" + copy.toStdString() + "\"";
        for (QSqlError e : {runAll(db, kFormat2), setFormat(db, kSchemaVersion)})
            if (e.isValid())
                return failure + reasonOf(e);
    }
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    m_format = kSchemaVersion;
    return {};
}

std::string Logbook::add(LogbookRecord& record) {
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
    const QSqlDatabase db = connection(m_connection);
    WriteTransaction transaction(db);
    if (const QSqlError e = transaction.begin(); e.isValid())
        return failure + reasonOf(e);
    {
        QSqlQuery q(db);
        const QString columns = recordColumns(m_format);
        q.prepare("INSERT INTO records (" + columns + ") VALUES (" +
                  QStringList(columns.count(',') + 1, "?").join(", ") + ")");
        bindRecord(q, r);
        if (!q.exec())
            return failure + reasonOf(q.lastError());
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
                return failure + reasonOf(q.lastError());
        }
    }
    if (const QSqlError e = transaction.commit(); e.isValid())
        return failure + reasonOf(e);
    record = r;
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
    QSqlQuery q(connection(m_connection));
    // Each electrode by the name of its first record (SQLite takes the bare
    // column from the row of min(id)).
    if (!q.exec("SELECT electrode, min(id) FROM records GROUP BY electrode COLLATE NOCASE "
                "ORDER BY electrode COLLATE NOCASE, electrode"))
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
    const std::string failure = "The logbook \"" + m_path + "\" cannot be read: ";
    const QString name = QString::fromStdString(trimmed(electrode));
    const QSqlDatabase db = connection(m_connection);
    QSqlQuery q(db);
    const QString withdrawal = m_format >= 2 ? "w.operator, w.comment" : "NULL, NULL";
    q.prepare("SELECT w.withdrawn_at, w.reason, " + withdrawal + ", r.id, " +
              recordColumns(m_format, "r.") +
              " FROM records r LEFT JOIN withdrawals w ON w.record_id = r.id "
              "WHERE r.electrode = ? COLLATE NOCASE ORDER BY julianday(" +
              (m_format >= 2 ? "coalesce(r.measured_at, r.recorded_at)" : "r.recorded_at") +
              "), r.id");
    q.addBindValue(name);
    if (!q.exec())
        return failure + reasonOf(q.lastError());
    std::vector<LogbookEntry> found;
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
        return failure + reasonOf(q.lastError());
    if (m_format >= 2) {
        std::unordered_map<long long, LogbookRecord*> byId;
        for (LogbookEntry& e : found)
            byId[e.record.id] = &e.record;
        QSqlQuery p(db);
        p.prepare("SELECT p.record_id, p.volume, p.emf, p.used, p.start_ph FROM record_points p "
                  "JOIN records r ON r.id = p.record_id WHERE r.electrode = ? COLLATE NOCASE "
                  "ORDER BY p.record_id, p.number");
        p.addBindValue(name);
        if (!p.exec())
            return failure + reasonOf(p.lastError());
        while (p.next())
            if (const auto it = byId.find(p.value(0).toLongLong()); it != byId.end())
                it->second->points.push_back({p.value(1).toDouble(), p.value(2).toDouble(),
                                              p.value(3).toInt() != 0, p.value(4).toDouble()});
        if (p.lastError().isValid())
            return failure + reasonOf(p.lastError());
    }
    entries = std::move(found);
    return {};
}

std::string Logbook::findDuplicate(const LogbookRecord& record, long long& id) const {
    std::vector<LogbookEntry> kept;
    if (std::string error = entries(record.electrode, kept); !error.empty())
        return error;
    id = 0;
    for (const LogbookEntry& e : kept) {
        const LogbookRecord& r = e.record;
        if (r.dataSha256 == record.dataSha256 && r.temperature == record.temperature &&
            r.pKw == record.pKw && r.ranges == record.ranges && r.gammaTyped == record.gammaTyped &&
            r.gammaRefined == record.gammaRefined && r.points == record.points) {
            id = r.id;
            return {};
        }
    }
    return {};
}

std::string defaultLogbookPath() {
    return (QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/logbook.sqlite")
        .toStdString();
}

} // namespace io

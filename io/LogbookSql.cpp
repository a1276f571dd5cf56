#include "LogbookSql.h"

#include <QSqlDriver>
#include <QVariant>
#include <cmath>
#include <sqlite3.h>

namespace io::logbooksql {

namespace {

/// Records and withdrawals are only ever inserted: the triggers refuse the rest.
const std::vector<const char*> kFormat1 = {
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

/// What format 2 adds: what reproduces a calculation, and the point tables.
/// Columns added to kept records hold NULL in them.
const std::vector<const char*> kFormat2 = {
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

/// What format 3 adds: where an imported titration came from, where each
/// condition came from, and the combined uncertainties.
const std::vector<const char*> kFormat3 = {
    "ALTER TABLE records ADD COLUMN source_file TEXT",
    "ALTER TABLE records ADD COLUMN source_sha256 TEXT CHECK (source_sha256 IS NULL OR "
    "source_sha256 = '' OR length(source_sha256) = 64)",
    "ALTER TABLE records ADD COLUMN import_profile TEXT",
    "ALTER TABLE records ADD COLUMN condition_source_1 TEXT",
    "ALTER TABLE records ADD COLUMN condition_source_2 TEXT",
    "ALTER TABLE records ADD COLUMN condition_source_3 TEXT",
    "ALTER TABLE records ADD COLUMN condition_source_4 TEXT",
    "ALTER TABLE records ADD COLUMN u_e0 REAL CHECK (u_e0 IS NULL OR u_e0 >= 0)",
    "ALTER TABLE records ADD COLUMN u_slope REAL CHECK (u_slope IS NULL OR u_slope >= 0)",
};

template <typename Field> struct Column {
    const char* name;
    Field LogbookRecord::*field;
};

// The columns of a record after its id, in the order they are written and read.
constexpr Column<std::string> kTextColumns[] = {
    {"recorded_at", &LogbookRecord::recordedAt},
    {"electrode", &LogbookRecord::electrode},
    {"data_file", &LogbookRecord::dataFile},
    {"data_sha256", &LogbookRecord::dataSha256},
    {"identifier", &LogbookRecord::identifier},
    {"program_version", &LogbookRecord::programVersion},
};
constexpr Column<int> kIntColumns[] = {
    {"points_used", &LogbookRecord::pointsUsed},
    {"points_ignored", &LogbookRecord::pointsIgnored},
};
constexpr Column<double> kRealColumns[] = {
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
constexpr Column<std::string> kReproductionTexts[] = {
    {"measured_at", &LogbookRecord::measuredAt},
    {"operator", &LogbookRecord::operatorName},
    {"comment", &LogbookRecord::comment},
};
constexpr Column<double> kReproductionReals[] = {
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

// The columns of format 3, after those above.
constexpr Column<std::string> kSourceTexts[] = {
    {"source_file", &LogbookRecord::sourceFile},
    {"source_sha256", &LogbookRecord::sourceSha256},
    {"import_profile", &LogbookRecord::importProfile},
};
constexpr const char* kConditionSourceColumns[] = {"condition_source_1", "condition_source_2",
                                                   "condition_source_3", "condition_source_4"};
constexpr Column<std::optional<double>> kUncertaintyColumns[] = {
    {"u_e0", &LogbookRecord::uE0},
    {"u_slope", &LogbookRecord::uSlope},
};

constexpr const char* kPointColumns[] = {"record_id", "number", "volume",
                                         "emf",       "used",   "start_ph"};

template <typename Columns> void addNames(QStringList& names, const Columns& columns) {
    for (const auto& c : columns) {
        if constexpr (std::is_convertible_v<decltype(c), const char*>)
            names << c;
        else
            names << c.name;
    }
}

/// The record columns after the id that a file of the format has, in order.
QStringList recordColumnsOfFormat(long long format) {
    QStringList names;
    addNames(names, kTextColumns);
    addNames(names, kIntColumns);
    addNames(names, kRealColumns);
    addNames(names, kRangeColumns);
    addNames(names, kVerdictColumns);
    if (format >= 2) {
        addNames(names, kReproductionTexts);
        addNames(names, kReproductionReals);
        addNames(names, kLimitColumns);
        addNames(names, kWindowColumns);
        addNames(names, kFlagColumns);
    }
    if (format >= 3) {
        addNames(names, kSourceTexts);
        addNames(names, kConditionSourceColumns);
        addNames(names, kUncertaintyColumns);
    }
    return names;
}

constexpr int kFormat2Count = static_cast<int>(
    std::size(kReproductionTexts) + std::size(kReproductionReals) + std::size(kLimitColumns) +
    std::size(kWindowColumns) + std::size(kFlagColumns));

QVariant optionalValue(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> optionalOf(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

/// The columns of format 2; all NULL for a record that is not reproducible.
void bindFormat2(QSqlQuery& q, const LogbookRecord& r) {
    if (!r.reproducible) {
        for (int i = 0; i < kFormat2Count; ++i)
            q.addBindValue(QVariant(QMetaType(QMetaType::Double)));
        return;
    }
    for (const auto& c : kReproductionTexts)
        q.addBindValue(QString::fromStdString(r.*c.field));
    for (const auto& c : kReproductionReals)
        q.addBindValue(r.*c.field);
    for (const LimitColumn& c : kLimitColumns)
        q.addBindValue(r.limits.*c.limit);
    q.addBindValue(optionalValue(r.limits.e0Min));
    q.addBindValue(optionalValue(r.limits.e0Max));
    q.addBindValue(r.gammaRefined ? 1 : 0);
    q.addBindValue(r.edited ? 1 : 0);
}

void bindFormat3(QSqlQuery& q, const LogbookRecord& r) {
    for (const auto& c : kSourceTexts)
        q.addBindValue(QString::fromStdString(r.*c.field));
    for (const std::string& source : r.conditionSource)
        q.addBindValue(QString::fromStdString(source));
    for (const auto& c : kUncertaintyColumns)
        q.addBindValue(optionalValue(r.*c.field));
}

/// Reads the columns of format 2 from the query's column i on. They are NULL
/// in a record of format 1, which is then not reproducible.
void readFormat2(const QSqlQuery& q, int i, LogbookRecord& r) {
    r.reproducible = !q.value(i + kFormat2Count - 2).isNull();
    if (!r.reproducible)
        return;
    for (const auto& c : kReproductionTexts)
        r.*c.field = q.value(i++).toString().toStdString();
    for (const auto& c : kReproductionReals)
        r.*c.field = q.value(i++).toDouble();
    for (const LimitColumn& c : kLimitColumns)
        r.limits.*c.limit = q.value(i++).toDouble();
    r.limits.e0Min = optionalOf(q.value(i++));
    r.limits.e0Max = optionalOf(q.value(i++));
    r.gammaRefined = q.value(i++).toInt() != 0;
    r.edited = q.value(i).toInt() != 0;
}

void readFormat3(const QSqlQuery& q, int i, LogbookRecord& r) {
    for (const auto& c : kSourceTexts)
        r.*c.field = q.value(i++).toString().toStdString();
    for (std::string& source : r.conditionSource)
        source = q.value(i++).toString().toStdString();
    for (const auto& c : kUncertaintyColumns)
        r.*c.field = optionalOf(q.value(i++));
}

} // namespace

const std::vector<const char*>& statementsOfFormat(int format) {
    return format <= 1 ? kFormat1 : format == 2 ? kFormat2 : kFormat3;
}

QStringList columnsOfFormat(long long format) {
    QStringList names{"records.id"};
    for (const QString& name : recordColumnsOfFormat(format))
        names << "records." + name;
    names << "withdrawals.record_id"
          << "withdrawals.withdrawn_at"
          << "withdrawals.reason";
    if (format >= 2) {
        names << "withdrawals.operator"
              << "withdrawals.comment";
        for (const char* name : kPointColumns)
            names << QStringLiteral("record_points.") + name;
    }
    return names;
}

QStringList triggersOfFormat(long long format) {
    QStringList names{"records_never_change", "records_never_go", "withdrawals_never_change",
                      "withdrawals_never_go"};
    if (format >= 2)
        names << "record_points_never_change"
              << "record_points_never_go";
    return names;
}

QStringList indexesOfFormat(long long format) {
    QStringList names{"records_by_electrode"};
    if (format >= 2)
        names << "sqlite_autoindex_record_points_1";
    return names;
}

Columns columnsOf(const QSqlDatabase& db) {
    Columns columns;
    QSqlQuery q(db);
    if (q.exec("SELECT t.name, c.name FROM sqlite_schema t, pragma_table_info(t.name) c "
               "WHERE t.type = 'table'"))
        while (q.next())
            columns.insert(q.value(0).toString() + '.' + q.value(1).toString());
    return columns;
}

QSet<QString> objectsOf(const QSqlDatabase& db, const char* type) {
    QSqlQuery q(db);
    q.prepare("SELECT name FROM sqlite_schema WHERE type = ?");
    q.addBindValue(QString(type));
    QSet<QString> names;
    if (q.exec())
        while (q.next())
            names.insert(q.value(0).toString());
    return names;
}

QString recordColumns(const Columns& present, const QString& prefix) {
    QStringList names;
    for (const QString& name : recordColumnsOfFormat(kFormat))
        names << (present.contains("records." + name) ? prefix + name : QStringLiteral("NULL"));
    return names.join(", ");
}

QString recordColumnNames() {
    return recordColumnsOfFormat(kFormat).join(", ");
}

void bindRecord(QSqlQuery& q, const LogbookRecord& r) {
    for (const auto& c : kTextColumns)
        q.addBindValue(QString::fromStdString(r.*c.field));
    for (const auto& c : kIntColumns)
        q.addBindValue(r.*c.field);
    for (const auto& c : kRealColumns)
        q.addBindValue(r.*c.field);
    for (double bound : r.ranges)
        q.addBindValue(bound);
    std::string reasons;
    for (const std::string& reason : r.verdict.reasons)
        reasons += (reasons.empty() ? "" : "\n") + reason;
    q.addBindValue(r.verdict.ok() ? 1 : 0);
    q.addBindValue(QString::fromStdString(reasons));
    bindFormat2(q, r);
    bindFormat3(q, r);
}

LogbookRecord readRecord(const QSqlQuery& q, int first) {
    LogbookRecord r;
    int i = first;
    for (const auto& c : kTextColumns)
        r.*c.field = q.value(i++).toString().toStdString();
    for (const auto& c : kIntColumns)
        r.*c.field = q.value(i++).toInt();
    for (const auto& c : kRealColumns)
        r.*c.field = q.value(i++).toDouble();
    for (double& bound : r.ranges)
        bound = q.value(i++).toDouble();
    ++i; // verdict_ok follows from the reasons
    const QString reasons = q.value(i++).toString();
    if (!reasons.isEmpty())
        for (const QString& reason : reasons.split('\n'))
            r.verdict.reasons.push_back(reason.toStdString());
    readFormat2(q, i, r);
    readFormat3(q, i + kFormat2Count, r);
    return r;
}

RecordPoint readPoint(const QSqlQuery& q, int first) {
    return {q.value(first).toDouble(), q.value(first + 1).toDouble(),
            q.value(first + 2).toInt() != 0, q.value(first + 3).toDouble()};
}

const char* nonFiniteColumn(const LogbookRecord& r) {
    for (const auto& c : kRealColumns)
        if (!std::isfinite(r.*c.field))
            return c.name;
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
        if (!std::isfinite(r.ranges[i]))
            return kRangeColumns[i];
    for (const auto& c : kReproductionReals)
        if (!std::isfinite(r.*c.field))
            return c.name;
    for (const auto& c : kUncertaintyColumns)
        if (r.*c.field && !std::isfinite(*(r.*c.field)))
            return c.name;
    for (const RecordPoint& p : r.points)
        if (!std::isfinite(p.volume) || !std::isfinite(p.emf) || !std::isfinite(p.startPH))
            return "point table";
    return nullptr;
}

std::string reasonOf(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.toStdString();
}

QSqlDatabase connection(const std::string& name) {
    return QSqlDatabase::database(QString::fromStdString(name), false);
}

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

QSqlError runAll(const QSqlDatabase& db, const std::vector<const char*>& statements) {
    QSqlQuery q(db);
    for (const char* statement : statements)
        if (!q.exec(statement))
            return q.lastError();
    return {};
}

QSqlError setFormat(const QSqlDatabase& db, long long format) {
    QSqlQuery q(db);
    if (!q.exec(QString("PRAGMA user_version = %1").arg(format)))
        return q.lastError();
    return {};
}

QSqlError readNumber(const QSqlDatabase& db, const QString& statement, long long& value) {
    QSqlQuery q(db);
    if (!q.exec(statement) || !q.next())
        return q.lastError().isValid() ? q.lastError()
                                       : QSqlError("no answer", {}, QSqlError::StatementError);
    value = q.value(0).toLongLong();
    return {};
}

Transaction::~Transaction() {
    if (m_open)
        QSqlQuery(m_db).exec("ROLLBACK");
}

QSqlError Transaction::begin() {
    return run(m_kind == Kind::Read    ? "BEGIN"
               : m_kind == Kind::Write ? "BEGIN IMMEDIATE"
                                       : "BEGIN EXCLUSIVE",
               true);
}

QSqlError Transaction::commit() {
    return run("COMMIT", false);
}

QSqlError Transaction::run(const char* statement, bool openAfter) {
    QSqlQuery q(m_db);
    if (!q.exec(statement))
        return q.lastError();
    m_open = openAfter;
    return {};
}

QSqlError readIdentity(const QSqlDatabase& db, Identity& identity) {
    const std::pair<const char*, long long*> reads[] = {
        {"PRAGMA application_id", &identity.applicationId},
        {"PRAGMA user_version", &identity.version},
        {"SELECT count(*) FROM sqlite_schema", &identity.objects},
    };
    for (const auto& [statement, value] : reads)
        if (QSqlError e = readNumber(db, statement, *value); e.isValid())
            return e;
    return {};
}

QSqlError createSchema(const QSqlDatabase& db) {
    for (int format = 1; format <= kFormat; ++format)
        if (QSqlError e = runAll(db, statementsOfFormat(format)); e.isValid())
            return e;
    QSqlQuery q(db);
    if (!q.exec(QString("PRAGMA application_id = %1").arg(kApplicationId)))
        return q.lastError();
    return setFormat(db, kFormat);
}

} // namespace io::logbooksql

#pragma once

// Logbook files as earlier versions of TAMO wrote them, and damaged ones, made
// with the sqlite3 program.

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <functional>

namespace logbooktest {

/// What the sqlite3 program prints for the SQL on the file: standard output, or
/// standard error when it fails.
inline QString sqlite3(const std::string& path, const QString& sql) {
    const QString program = QStandardPaths::findExecutable("sqlite3");
    if (program.isEmpty())
        return "sqlite3 is missing (scripts/install-deps.sh installs it)";
    QProcess process;
    process.start(program, {QString::fromStdString(path), sql});
    if (!process.waitForFinished(60000))
        return "sqlite3 did not finish";
    return QString::fromUtf8(process.exitCode() == 0 ? process.readAllStandardOutput()
                                                     : process.readAllStandardError());
}

/// The SQL of a logbook as the first version wrote it: `records` records of
/// electrode "pH-1", E0 400.5 mV and 400.5 + n, the first one withdrawn.
inline QString format1Sql(int records = 1) {
    return QStringLiteral(
               "PRAGMA application_id = 1413565775; PRAGMA user_version = 1;"
               "CREATE TABLE records (id INTEGER PRIMARY KEY AUTOINCREMENT, recorded_at TEXT NOT "
               "NULL, electrode TEXT NOT NULL, data_file TEXT NOT NULL, data_sha256 TEXT NOT NULL,"
               " identifier TEXT NOT NULL, temperature REAL NOT NULL, pkw REAL NOT NULL,"
               " range1 REAL NOT NULL, range2 REAL NOT NULL, range3 REAL NOT NULL,"
               " range4 REAL NOT NULL, points_used INTEGER NOT NULL,"
               " points_ignored INTEGER NOT NULL, e0 REAL NOT NULL, e0_sd REAL NOT NULL,"
               " slope REAL NOT NULL, slope_sd REAL NOT NULL, slope_factor REAL NOT NULL,"
               " rms REAL NOT NULL, acid_endpoint REAL NOT NULL, acid_endpoint_sd REAL NOT NULL,"
               " alkali_endpoint REAL NOT NULL, alkali_endpoint_sd REAL NOT NULL,"
               " impurity_percent REAL NOT NULL, alkali_conc REAL NOT NULL,"
               " alkali_conc_sd REAL NOT NULL, verdict_ok INTEGER NOT NULL,"
               " verdict_reasons TEXT NOT NULL, program_version TEXT NOT NULL) STRICT;"
               "CREATE INDEX records_by_electrode ON records (electrode);"
               "CREATE TABLE withdrawals (record_id INTEGER PRIMARY KEY REFERENCES records (id),"
               " withdrawn_at TEXT NOT NULL, reason TEXT NOT NULL) STRICT;"
               "CREATE TRIGGER records_never_change BEFORE UPDATE ON records BEGIN SELECT "
               "RAISE(ABORT, 'x'); END;"
               "CREATE TRIGGER records_never_go BEFORE DELETE ON records BEGIN SELECT "
               "RAISE(ABORT, 'x'); END;"
               "CREATE TRIGGER withdrawals_never_change BEFORE UPDATE ON withdrawals BEGIN SELECT "
               "RAISE(ABORT, 'x'); END;"
               "CREATE TRIGGER withdrawals_never_go BEFORE DELETE ON withdrawals BEGIN SELECT "
               "RAISE(ABORT, 'x'); END;"
               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1)"
               " INSERT INTO records SELECT NULL, '2024-01-01T08:00:00+01:00', 'pH-1',"
               " '/d/r' || i || '.txt', '%2', 'HCl', 25, 13.78, 2.5, 4, 10.8, 11.3, 20, 5,"
               " 400.5 + i, 0.01, 59.1, 0.004, 0.999, 0.3, 5, 1e-5, 5.01, 2e-5, 0.2, -0.1, 3e-6,"
               " 1, '', '1.0.0' FROM n;"
               "INSERT INTO withdrawals VALUES (1, '2024-02-01T08:00:00+01:00', 'cracked');")
        .arg(records)
        .arg(QString(64, 'a'));
}

/// The SQL of a logbook as the second version wrote it: that of format1Sql
/// with what format 2 added, the records of format 1 kept.
inline QString format2Sql(int records = 1) {
    QString sql = format1Sql(records);
    sql.replace(QStringLiteral("PRAGMA user_version = 1;"),
                QStringLiteral("PRAGMA user_version = 2;"));
    for (const char* column : {"measured_at TEXT",
                               "operator TEXT",
                               "comment TEXT",
                               "titrand_volume REAL",
                               "electrolyte_volume REAL",
                               "titrand_conc REAL",
                               "burette_conc REAL",
                               "gamma REAL",
                               "gamma_typed REAL",
                               "gamma_refined INTEGER",
                               "endpoint_ratio_start REAL",
                               "limit_slope_factor_min REAL",
                               "limit_slope_factor_max REAL",
                               "limit_rms_max REAL",
                               "limit_impurity_max REAL",
                               "limit_alkali_deviation_max REAL",
                               "limit_impurity_min REAL",
                               "limit_e0_min REAL",
                               "limit_e0_max REAL",
                               "edited INTEGER"})
        sql += QStringLiteral("ALTER TABLE records ADD COLUMN %1;").arg(column);
    return sql + QStringLiteral(
                     "ALTER TABLE withdrawals ADD COLUMN operator TEXT;"
                     "ALTER TABLE withdrawals ADD COLUMN comment TEXT;"
                     "CREATE TABLE record_points (record_id INTEGER NOT NULL REFERENCES records "
                     "(id), number INTEGER NOT NULL, volume REAL NOT NULL, emf REAL NOT NULL,"
                     " used INTEGER NOT NULL, start_ph REAL NOT NULL,"
                     " PRIMARY KEY (record_id, number)) STRICT;"
                     "CREATE TRIGGER record_points_never_change BEFORE UPDATE ON record_points "
                     "BEGIN SELECT RAISE(ABORT, 'x'); END;"
                     "CREATE TRIGGER record_points_never_go BEFORE DELETE ON record_points "
                     "BEGIN SELECT RAISE(ABORT, 'x'); END;");
}

/// Changes the bytes of the middle one of the leaf pages of the table or index
/// (as sqlite3 finds them); false when there is none or the file cannot be written.
inline bool changeLeafPage(const std::string& path, const QString& name,
                           const std::function<void(QByteArray&)>& change) {
    const QStringList pages =
        sqlite3(path, "SELECT pageno FROM dbstat WHERE pagetype = 'leaf' AND name = '" + name +
                          "' ORDER BY pageno")
            .split('\n', Qt::SkipEmptyParts);
    const int page = pages.value(pages.size() / 2).toInt();
    const int size = sqlite3(path, "PRAGMA page_size").trimmed().toInt();
    QFile f(QString::fromStdString(path));
    if (page < 2 || size <= 0 || !f.open(QIODevice::ReadWrite) || !f.seek(qint64(page - 1) * size))
        return false;
    QByteArray bytes = f.read(size);
    change(bytes);
    return f.seek(qint64(page - 1) * size) && f.write(bytes) == size;
}

/// Overwrites the start of a page of the point table, as a failing disk might.
inline bool damagePointTable(const std::string& path) {
    return changeLeafPage(path, "record_points",
                          [](QByteArray& page) { page.replace(0, 200, QByteArray(200, 'Z')); });
}

/// Whether the multi-process tests run their full counts (TAMO_FULL_COUNTS=1)
/// rather than the few rounds that keep the suite quick.
inline bool fullCounts() {
    return qEnvironmentVariableIntValue("TAMO_FULL_COUNTS") != 0;
}

} // namespace logbooktest

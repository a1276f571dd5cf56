// Whether a logbook may be written: its pages and its indexes sound, and its
// tables, columns, triggers and indexes those of its format. A damaged logbook
// is read record by record, as far as it can be.

#include "Logbook.h"
#include "LogbookSql.h"

#include <QDateTime>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <limits>
#include <map>

namespace io {

using namespace logbooksql;

namespace {

/// The lines SQLite's check gives ("ok" alone for a sound file), or its error.
std::vector<std::string> checkLines(const QSqlDatabase& db, const char* pragma) {
    QSqlQuery q(db);
    std::vector<std::string> lines;
    if (!q.exec(pragma))
        return {reasonOf(q.lastError())};
    while (q.next())
        lines.push_back(q.value(0).toString().toStdString());
    if (q.lastError().isValid())
        lines.push_back(reasonOf(q.lastError()));
    if (lines.empty())
        lines.push_back("no answer");
    return lines;
}

/// An index read on its own, and its table without it: SQLite's quick check
/// does not compare the two, and a damaged index page may pass it.
struct IndexCheck {
    const char* index;
    const char* table;
    const char* range; ///< a condition that selects every row through the index
    const char* sums;
};
constexpr IndexCheck kIndexChecks[] = {
    {"records_by_electrode", "records", "electrode >= ''",
     "count(*), total(id), total(length(electrode))"},
    {"sqlite_autoindex_record_points_1", "record_points", "record_id > -9e18",
     "count(*), total(rowid), total(record_id), total(number)"},
};

/// Why an index differs from its table, or empty.
std::string indexFinding(const QSqlDatabase& db, const QSet<QString>& indexes) {
    for (const IndexCheck& c : kIndexChecks) {
        if (!indexes.contains(c.index))
            continue;
        QStringList answers;
        for (const QString& how : {QStringLiteral("INDEXED BY %1 WHERE %2").arg(c.index, c.range),
                                   QStringLiteral("NOT INDEXED")}) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT %1 FROM %2 %3").arg(c.sums, c.table, how)) ||
                !q.next())
                return std::string(c.index) + ": " + reasonOf(q.lastError());
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            answers << values.join(',');
        }
        if (answers[0] != answers[1])
            return std::string("the index ") + c.index + " differs from its table";
    }
    return {};
}

std::string joined(const QStringList& names) {
    return names.join(", ").toStdString();
}

/// What the file lacks of its format, as the end of the warning; empty when nothing.
std::string schemaFinding(const Logbook::Schema& s, long long format) {
    QStringList columns, triggers, indexes;
    for (const QString& c : columnsOfFormat(format))
        if (!s.columns.contains(c))
            columns << c;
    for (const QString& t : triggersOfFormat(format))
        if (!s.triggers.contains(t))
            triggers << t;
    for (const QString& i : indexesOfFormat(format))
        if (!s.indexes.contains(i))
            indexes << i;
    if (!columns.isEmpty())
        return " has lost columns of its tables (" + joined(columns) +
               "): nothing is written to it";
    if (!triggers.isEmpty())
        return " has lost the triggers that keep its records from being changed (" +
               joined(triggers) + "): nothing is written to it";
    if (!indexes.isEmpty())
        return " has lost its indexes (" + joined(indexes) + "): nothing is written to it";
    return {};
}

/// Rows `from` to `to` of the query (which ends in "BETWEEN ? AND ?"), each
/// converted; false, and nothing added, when any of them cannot be read.
template <typename Row, typename Convert>
bool readRange(const QSqlDatabase& db, const QString& sql, long long from, long long to,
               Convert convert, std::vector<Row>& rows) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(from);
    q.addBindValue(to);
    if (!q.exec())
        return false;
    std::vector<Row> read;
    while (q.next())
        read.push_back(convert(q));
    if (q.lastError().isValid())
        return false;
    rows.insert(rows.end(), read.begin(), read.end());
    return true;
}

/// Rows 1 to `last` by rowid, a chunk at a time; a chunk that cannot be read
/// is read row by row, and the rows that cannot be read are left out.
template <typename Row, typename Convert>
std::vector<Row> readByRowid(const QSqlDatabase& db, const QString& sql, long long last,
                             Convert convert) {
    constexpr long long kChunk = 256;
    std::vector<Row> rows;
    for (long long from = 1; from <= last; from += kChunk) {
        const long long to = std::min(last, from + kChunk - 1);
        if (!readRange(db, sql, from, to, convert, rows))
            for (long long row = from; row <= to; ++row)
                readRange(db, sql, row, row, convert, rows);
    }
    return rows;
}

long long numberOr(const QSqlDatabase& db, const char* statement, long long fallback) {
    long long value = 0;
    return readNumber(db, statement, value).isValid() ? fallback : value;
}

struct PointRow {
    long long recordId = 0;
    long long number = 0;
    RecordPoint point;
};

/// Each record's points in order, from the rows of the point table that can be read.
std::map<long long, std::vector<PointRow>> salvagePoints(const QSqlDatabase& db,
                                                         long long expected) {
    const long long last = numberOr(db, "SELECT max(rowid) FROM record_points", expected);
    const std::vector<PointRow> rows = readByRowid<PointRow>(
        db,
        "SELECT record_id, number, volume, emf, used, start_ph FROM record_points "
        "WHERE rowid BETWEEN ? AND ?",
        last, [](const QSqlQuery& q) {
            return PointRow{q.value(0).toLongLong(), q.value(1).toLongLong(), readPoint(q, 2)};
        });
    std::map<long long, std::vector<PointRow>> byRecord;
    for (const PointRow& row : rows)
        byRecord[row.recordId].push_back(row);
    for (auto& [id, points] : byRecord)
        std::sort(points.begin(), points.end(),
                  [](const PointRow& a, const PointRow& b) { return a.number < b.number; });
    return byRecord;
}

/// Whether the points read are the record's whole table.
bool wholeTable(const LogbookRecord& r, const std::vector<PointRow>& points) {
    if (points.size() != static_cast<std::size_t>(r.pointsUsed + r.pointsIgnored))
        return false;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i].number != static_cast<long long>(i + 1))
            return false;
    return true;
}

/// SQLite's NOCASE: ASCII letters folded, nothing else.
std::string foldedCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

/// The moment a record is ordered by; the earliest for a text that is no date.
qint64 orderTime(const LogbookRecord& r) {
    const QDateTime at = QDateTime::fromString(
        QString::fromStdString(r.measuredAt.empty() ? r.recordedAt : r.measuredAt), Qt::ISODate);
    return at.isValid() ? at.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

void Logbook::checkSoundness() {
    const QSqlDatabase db = connection(m_connection);
    const std::string logbook = "The logbook \"" + m_path + "\"";
    const std::vector<std::string> quick = checkLines(db, "PRAGMA quick_check");
    const std::string finding =
        quick == std::vector<std::string>{"ok"} ? indexFinding(db, m_schema->indexes) : quick[0];
    if (finding.empty()) {
        if (const std::string lost = schemaFinding(*m_schema, m_format); !lost.empty())
            m_warning = logbook + lost;
        return;
    }
    m_damage = checkLines(db, "PRAGMA integrity_check(100)");
    if (m_damage == std::vector<std::string>{"ok"})
        m_damage = {finding};
    const long long total = numberOr(db, "SELECT seq FROM sqlite_sequence WHERE name = 'records'",
                                     numberOr(db, "SELECT max(id) FROM records", 0));
    const QString withdrawal = m_schema->columns.contains("withdrawals.operator")
                                   ? QStringLiteral("w.operator, w.comment")
                                   : QStringLiteral("NULL, NULL");
    m_salvaged = readByRowid<LogbookEntry>(
        db,
        "SELECT w.withdrawn_at, w.reason, " + withdrawal + ", r.id, " +
            recordColumns(m_schema->columns, "r.") +
            " FROM records r LEFT JOIN withdrawals w ON w.record_id = r.id "
            "WHERE r.id BETWEEN ? AND ?",
        total, [](const QSqlQuery& q) {
            LogbookEntry e;
            e.record = readRecord(q, 5);
            e.record.id = q.value(4).toLongLong();
            if (!q.value(0).isNull())
                e.withdrawal = Withdrawal{
                    q.value(0).toString().toStdString(), q.value(1).toString().toStdString(),
                    q.value(2).toString().toStdString(), q.value(3).toString().toStdString()};
            return e;
        });
    if (m_schema->tables.contains("record_points")) {
        long long expected = 0;
        for (const LogbookEntry& e : m_salvaged)
            expected += e.record.pointsUsed + e.record.pointsIgnored;
        const auto points = salvagePoints(db, expected);
        std::erase_if(m_salvaged, [&](LogbookEntry& e) {
            if (!e.record.reproducible)
                return false;
            const auto it = points.find(e.record.id);
            if (it == points.end() || !wholeTable(e.record, it->second))
                return true;
            for (const PointRow& row : it->second)
                e.record.points.push_back(row.point);
            return false;
        });
    }
    m_unreadable = std::max<long long>(0, total - static_cast<long long>(m_salvaged.size()));
    const std::string count = std::to_string(std::max<long long>(total, 0));
    m_warning = m_unreadable > 0
                    ? logbook + " is damaged: " + std::to_string(m_unreadable) + " of " + count +
                          " records cannot be read, and nothing is written to it"
                    : logbook + " is damaged, though each of its " + count +
                          " records can be read: nothing is written to it";
}

namespace logbooksql {

std::vector<std::string> salvagedElectrodes(const std::vector<LogbookEntry>& records) {
    std::map<std::string, const LogbookRecord*> first; // by the name, case folded
    for (const LogbookEntry& e : records) {
        const LogbookRecord*& kept = first[foldedCase(e.record.electrode)];
        if (!kept || e.record.id < kept->id)
            kept = &e.record;
    }
    std::vector<std::string> names;
    for (const auto& [folded, record] : first)
        names.push_back(record->electrode);
    return names;
}

std::vector<LogbookEntry> salvagedEntries(const std::vector<LogbookEntry>& records,
                                          const std::string& electrode) {
    std::vector<LogbookEntry> found;
    for (const LogbookEntry& e : records)
        if (foldedCase(e.record.electrode) == foldedCase(electrode))
            found.push_back(e);
    std::stable_sort(found.begin(), found.end(), [](const LogbookEntry& a, const LogbookEntry& b) {
        const qint64 ta = orderTime(a.record), tb = orderTime(b.record);
        return ta != tb ? ta < tb : a.record.id < b.record.id;
    });
    return found;
}

} // namespace logbooksql

} // namespace io

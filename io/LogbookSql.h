#pragma once

// The logbook's SQL, shared by the files of io_logbook and used by nothing else:
// the statements that make and upgrade its tables, what a file of each format
// must hold, the columns of a record, and small helpers around Qt SQL.

#include "Logbook.h"
#include "LogbookRecord.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <vector>

struct sqlite3;

namespace io::logbooksql {

/// The format this program writes.
inline constexpr int kFormat = 3;
/// The SQLite application id that marks a logbook file ("TAMO").
inline constexpr int kApplicationId = 0x54414D4F;

/// The statements that make a file of format 1 into one of the format: the
/// tables of format 1 for format 1, what a format adds to the one before for the others.
const std::vector<const char*>& statementsOfFormat(int format);

/// What a file of the format holds: its tables' columns as "table.column", its
/// triggers and its indexes.
QStringList columnsOfFormat(long long format);
QStringList triggersOfFormat(long long format);
QStringList indexesOfFormat(long long format);

/// The columns a file has, as "table.column".
using Columns = QSet<QString>;
Columns columnsOf(const QSqlDatabase& db);
/// The names of the objects of the type ("table", "trigger", "index") the file has.
QSet<QString> objectsOf(const QSqlDatabase& db, const char* type);

/// The record columns after the id, comma separated and prefixed, in the order
/// readRecord takes them; NULL stands for a column the file has not.
QString recordColumns(const Columns& present, const QString& prefix = {});
/// The record columns after the id, as the file of this format has them all.
QString recordColumnNames();
/// Binds the record, all columns after the id, in order.
void bindRecord(QSqlQuery& q, const LogbookRecord& r);
/// The record from the query's columns `first` on, in the order of recordColumns.
LogbookRecord readRecord(const QSqlQuery& q, int first);
/// The name of a number of the record that is not finite (SQLite would store it
/// as NULL), or nullptr.
const char* nonFiniteColumn(const LogbookRecord& r);
/// A point of the record from the query's columns volume, emf, used, start_ph at `first` on.
RecordPoint readPoint(const QSqlQuery& q, int first);

std::string reasonOf(const QSqlError& error);
QSqlDatabase connection(const std::string& name);
/// SQLite's own handle of the connection, or nullptr.
sqlite3* handleOf(const QSqlDatabase& db);
QSqlError runAll(const QSqlDatabase& db, const std::vector<const char*>& statements);
QSqlError setFormat(const QSqlDatabase& db, long long format);
/// The first column of the first row of the statement.
QSqlError readNumber(const QSqlDatabase& db, const QString& statement, long long& value);

/// A transaction, rolled back unless committed. BEGIN IMMEDIATE takes the write
/// lock at once, so that two writers wait for each other instead of failing
/// halfway; BEGIN EXCLUSIVE keeps readers out too; a deferred one reads one
/// state of the file.
class Transaction {
public:
    enum class Kind { Read, Write, Exclusive };
    Transaction(const QSqlDatabase& db, Kind kind) : m_db(db), m_kind(kind) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    QSqlError begin();
    QSqlError commit();

private:
    QSqlError run(const char* statement, bool openAfter);

    QSqlDatabase m_db;
    Kind m_kind;
    bool m_open = false;
};

/// What the header and the schema of an SQLite file say it is.
struct Identity {
    long long applicationId = 0;
    long long version = 0;
    long long objects = 0; ///< tables, indexes and triggers
    bool empty() const { return applicationId == 0 && version == 0 && objects == 0; }
};
QSqlError readIdentity(const QSqlDatabase& db, Identity& identity);

/// Makes the tables of a new file, of this format.
QSqlError createSchema(const QSqlDatabase& db);

/// The electrodes of the records, as Logbook::electrodeNames gives them.
std::vector<std::string> salvagedElectrodes(const std::vector<LogbookEntry>& records);
/// The records of the electrode, as Logbook::entries gives them.
std::vector<LogbookEntry> salvagedEntries(const std::vector<LogbookEntry>& records,
                                          const std::string& electrode);

} // namespace io::logbooksql

namespace io {

/// What a logbook file holds, as last read.
struct Logbook::Schema {
    logbooksql::Columns columns;
    QSet<QString> tables, triggers, indexes;
};

} // namespace io

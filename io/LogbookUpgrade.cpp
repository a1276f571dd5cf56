// The upgrade of a logbook of an older format, after a copy of it is kept.
//
// The copy is read through the logbook's own connection (sqlite3_serialize),
// never by opening the file again: on Linux closing any other descriptor of the
// file drops the process's locks on it, and other writers would then enter the
// upgrade at the same time. The bytes are read under a read lock and put in
// place under the exclusive one, so that one writer at a time keeps the copy,
// and a copy that holds the same bytes already is kept as it is.

#include "FileAccess.h"
#include "Logbook.h"
#include "LogbookSql.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace io {

using namespace logbooksql;

namespace {

/// The bytes of the database as the connection's open read transaction sees them.
bool serialized(sqlite3* handle, std::string& bytes) {
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(handle, "main", &size, 0);
    if (!data)
        return false;
    bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    sqlite3_free(data);
    return true;
}

bool holdsBytes(const QString& path, const std::string& bytes) {
    std::string content;
    return readFileBytes(path.toStdString(), bytes.size(), content).empty() && content == bytes;
}

/// Keeps the bytes beside the logbook as "PATH.formatN": in the first such
/// name (PATH.formatN, PATH.formatN.2, ...) that is free or holds them already.
std::string keepCopy(const std::string& path, long long format, const std::string& bytes) {
    const QString base = QString::fromStdString(path) + ".format" + QString::number(format);
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : base + '.' + QString::number(n);
        if (!QFileInfo::exists(name)) {
            if (std::string error = writeFileAtomically(name.toStdString(), bytes); !error.empty())
                return "no copy of it could be kept (" + error + ")";
            return {};
        }
        if (holdsBytes(name, bytes))
            return {};
    }
    return "no free name for its copy beside it";
}

} // namespace

std::string Logbook::upgrade() {
    if (m_format >= kSchemaVersion)
        return {};
    const std::string failure = "The logbook \"" + m_path + "\" cannot be upgraded: ";
    const QSqlDatabase db = connection(m_connection);
    sqlite3* handle = handleOf(db);
    if (!handle)
        return failure + "the SQLite driver of Qt SQL gives no access to the file";
    if (sqlite3_db_readonly(handle, "main") == 1)
        return failure + "the file is read-only";
    // Another writer may change the file between the two transactions: then again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        long long format = 0, before = 0, after = 0;
        std::string bytes;
        {
            Transaction read(db, Transaction::Kind::Read);
            if (const QSqlError e = read.begin(); e.isValid())
                return failure + reasonOf(e);
            for (const auto& [statement, value] : {std::pair{"PRAGMA user_version", &format},
                                                   std::pair{"PRAGMA data_version", &before}})
                if (const QSqlError e = readNumber(db, statement, *value); e.isValid())
                    return failure + reasonOf(e);
            if (format >= kSchemaVersion)
                return readSchema(); // upgraded by another writer
            if (!serialized(handle, bytes))
                return failure + "it could not be read whole";
            if (const QSqlError e = read.commit(); e.isValid())
                return failure + reasonOf(e);
        }
        Transaction exclusive(db, Transaction::Kind::Exclusive);
        if (const QSqlError e = exclusive.begin(); e.isValid())
            return failure + reasonOf(e);
        for (const auto& [statement, value] :
             {std::pair{"PRAGMA user_version", &format}, std::pair{"PRAGMA data_version", &after}})
            if (const QSqlError e = readNumber(db, statement, *value); e.isValid())
                return failure + reasonOf(e);
        if (format >= kSchemaVersion)
            return readSchema();
        if (after != before)
            continue;
        if (std::string error = keepCopy(m_path, format, bytes); !error.empty())
            return failure + error;
        for (long long next = format + 1; next <= kSchemaVersion; ++next)
            if (const QSqlError e = runAll(db, statementsOfFormat(static_cast<int>(next)));
                e.isValid())
                return failure + reasonOf(e);
        if (const QSqlError e = setFormat(db, kSchemaVersion); e.isValid())
            return failure + reasonOf(e);
        if (const QSqlError e = exclusive.commit(); e.isValid())
            return failure + reasonOf(e);
        return readSchema();
    }
    return failure + "other writers kept changing it while its copy was made";
}

} // namespace io

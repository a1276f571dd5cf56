#pragma once

#include "io/LogbookRecord.h"

#include <string>
#include <vector>

namespace io {

/// The electrode logbook: one SQLite file holding one record per calibration
/// kept. Records are only ever added; a record can be withdrawn with a reason,
/// which is kept beside it. Each write is one transaction, synced to the disk
/// before it returns, so that a killed process or a full disk loses no earlier
/// record. Several processes may write the same file; a writer waits up to ten
/// seconds for another one to finish. Every function returns an empty text on
/// success, else the reason, which names the file. Use an object from one thread.
class Logbook {
public:
    /// The format of the logbook file this program writes and reads. A file of
    /// format 1 is read as it is and upgraded on the first write, in one
    /// transaction, after a copy of it is kept beside it ("logbook.sqlite.format1").
    static constexpr int kSchemaVersion = 2;
    /// The SQLite application id that marks a logbook file ("TAMO").
    static constexpr int kApplicationId = 0x54414D4F;

    Logbook();
    ~Logbook();
    Logbook(const Logbook&) = delete;
    Logbook& operator=(const Logbook&) = delete;

    /// Opens the logbook file, creating it when it does not exist (its folder
    /// must). Refuses a file that is not SQLite, an SQLite file of another
    /// program, a logbook without its tables and a logbook of a newer format.
    /// A logbook whose pages are damaged or whose protecting triggers are gone
    /// opens for reading only: warning() says why. Closes any logbook open before.
    [[nodiscard]] std::string open(const std::string& path);
    void close();
    bool isOpen() const { return !m_connection.empty(); }
    const std::string& path() const { return m_path; }
    /// Why the open logbook is read but not written; empty when it is sound.
    const std::string& warning() const { return m_warning; }
    /// The format of the open file.
    long long format() const { return m_format; }

    /// Adds the record, with its points, and sets its id. The electrode name is
    /// kept trimmed of blanks and must not be empty.
    [[nodiscard]] std::string add(LogbookRecord& record);

    /// Withdraws the record with the id, with a reason that must not be empty.
    /// A record is withdrawn once.
    [[nodiscard]] std::string withdraw(long long id, const std::string& reason,
                                       const std::string& withdrawnAt = currentDateTimeText(),
                                       const std::string& operatorName = {},
                                       const std::string& comment = {});

    /// The electrode names in the logbook, in alphabetical order, letter case
    /// aside; names that differ only in case are one electrode, named as first kept.
    [[nodiscard]] std::string electrodeNames(std::vector<std::string>& names) const;

    /// The records of one electrode (letter case aside) in the order of their
    /// measurement (of their entry where it is not known), each with its
    /// withdrawal and its points.
    [[nodiscard]] std::string entries(const std::string& electrode,
                                      std::vector<LogbookEntry>& entries) const;

    /// The id of a kept record of the same calibration (the same data file
    /// bytes, inputs, points and electrode) in id, 0 when there is none.
    [[nodiscard]] std::string findDuplicate(const LogbookRecord& record, long long& id) const;

    /// The name of the Qt SQL connection to the file, for a read-only model view.
    const std::string& connectionName() const { return m_connection; }

private:
    std::string openConnection(const std::string& path);
    std::string checkOrCreateSchema();
    /// Sets the warning when the file is damaged or unprotected.
    void checkIntegrity();
    /// Upgrades a file of format 1 to this one; an empty text when done or not needed.
    std::string upgrade();
    /// The refusal of any write, or empty.
    std::string writeRefusal() const;

    std::string m_path;
    std::string m_warning;
    long long m_format = 0;
    std::string m_connection; ///< empty while closed
};

/// Where the window keeps the logbook: "logbook.sqlite" in the user's data
/// folder of the application (the folder may not exist yet).
std::string defaultLogbookPath();

} // namespace io

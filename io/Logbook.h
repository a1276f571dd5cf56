#pragma once

#include "io/LogbookRecord.h"

#include <memory>
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
    /// an older format is read as it is and upgraded on the first write, in one
    /// exclusive transaction, after a copy of it is kept beside it
    /// ("logbook.sqlite.format1"): a copy made once, kept however many writers
    /// upgrade at the same time, and reused when an upgrade is tried again.
    static constexpr int kSchemaVersion = 3;
    /// The SQLite application id that marks a logbook file ("TAMO").
    static constexpr int kApplicationId = 0x54414D4F;

    Logbook();
    ~Logbook();
    Logbook(const Logbook&) = delete;
    Logbook& operator=(const Logbook&) = delete;

    /// Opens the logbook file, creating it when it does not exist (its folder
    /// must). Refuses a file that is not SQLite, an SQLite file of another
    /// program, a logbook without its tables and a logbook of a newer format.
    /// A logbook that is damaged (pages or indexes), lacks columns of its format
    /// or the triggers that protect its records opens for reading only:
    /// warning() says why; the records of a damaged one are read one by one,
    /// those that can be. Closes any logbook open before.
    [[nodiscard]] std::string open(const std::string& path);
    void close();
    bool isOpen() const { return !m_connection.empty(); }
    const std::string& path() const { return m_path; }
    /// Why the open logbook is read but not written, in one line naming the
    /// file; empty when it is sound.
    const std::string& warning() const { return m_warning; }
    /// What SQLite's integrity check says of a damaged logbook, one finding a line.
    const std::vector<std::string>& damage() const { return m_damage; }
    /// How many records of a damaged logbook cannot be read (whole).
    long long unreadableRecords() const { return m_unreadable; }
    /// The format of the open file.
    long long format() const { return m_format; }

    /// Whether add() keeps a calibration the logbook holds already (sameCalibration).
    enum class Duplicates { Refuse, Keep };

    /// Adds the record, with its points, and sets its id. The electrode name is
    /// kept trimmed of blanks and must not be empty. Unless duplicates are kept,
    /// a record of a calibration the logbook holds already is refused, in the
    /// same transaction as the add, so that two writers cannot both add it:
    /// `duplicateOf` (when given) then holds the id of the record kept before,
    /// else 0.
    [[nodiscard]] std::string add(LogbookRecord& record, Duplicates duplicates = Duplicates::Refuse,
                                  long long* duplicateOf = nullptr);

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

    /// The id of a kept record of the same calibration (sameCalibration) in id,
    /// 0 when there is none.
    [[nodiscard]] std::string findDuplicate(const LogbookRecord& record, long long& id) const;

    /// The name of the Qt SQL connection to the file, for a read-only model view.
    const std::string& connectionName() const { return m_connection; }

    /// The tables, columns, triggers and indexes of the file (known to the library alone).
    struct Schema;

private:
    std::string openConnection(const std::string& path);
    std::string checkOrCreateSchema();
    /// Reads the format and the columns of the file as it is now.
    std::string readSchema() const;
    /// Sets the warning when the file is damaged, lacks what its format has or
    /// is unprotected; a damaged file's readable records are read then.
    void checkSoundness();
    /// Upgrades a file of an older format to this one; an empty text when done or not needed.
    std::string upgrade();
    /// The refusal of any write, or empty.
    std::string writeRefusal() const;
    /// Inside the write transaction: the id of a record of the same calibration, or 0.
    std::string duplicateIn(const LogbookRecord& record, long long& id) const;
    std::string insert(LogbookRecord& record) const;

    std::string m_path;
    std::string m_warning;
    std::vector<std::string> m_damage;
    long long m_unreadable = 0;
    /// The records of a damaged logbook that could be read; reads take them from here.
    std::vector<LogbookEntry> m_salvaged;
    mutable long long m_format = 0;
    std::unique_ptr<Schema> m_schema; ///< what the file holds, as last read
    std::string m_connection;         ///< empty while closed
};

/// Where the window keeps the logbook: "logbook.sqlite" in the user's data
/// folder of the application (the folder may not exist yet).
std::string defaultLogbookPath();

} // namespace io

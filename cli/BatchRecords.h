#pragma once

#include "io/LogbookRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace io {
class Logbook;
}

namespace cli {

/// The files a batch has done, and the logbook records that wait for their
/// output to reach its destination before they are added.
class BatchRecords {
public:
    /// A file is done: its output ends at byte `outputEnd` of the run's output.
    void fileDone(const std::string& file, std::optional<io::LogbookRecord> record,
                  std::uint64_t outputEnd);
    std::size_t filesDone() const { return m_done.size(); }

    /// Adds the records of the files whose output reached its destination (its
    /// first `delivered` bytes), in the order of the files, each in a
    /// transaction of its own; a signal does not stop it. A calibration the
    /// logbook holds already is refused unless allowed, with a line for
    /// standard error in `messages`. Returns the error that stopped it.
    [[nodiscard]] std::string add(io::Logbook& logbook, std::uint64_t delivered,
                                  bool allowDuplicate, std::string& messages);
    int added() const { return m_added; }
    bool refusedAny() const { return m_refused; }

    /// The closing lines for standard error: how many records were added to
    /// the logbook and which files done have none (with a logbook); after a
    /// signal, which of the files were not done.
    std::string summary(const std::string& logPath, const std::vector<std::string>& files,
                        bool stopped) const;

private:
    struct Done {
        std::string file;
        std::optional<io::LogbookRecord> record;
        std::uint64_t outputEnd = 0;
        bool added = false;
    };
    std::vector<Done> m_done;
    int m_added = 0;
    bool m_refused = false;
};

} // namespace cli

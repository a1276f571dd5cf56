#include "BatchRecords.h"

#include "io/Logbook.h"

namespace cli {

namespace {

std::string quoted(const std::string& file) {
    return "\"" + file + "\"";
}

} // namespace

void BatchRecords::fileDone(const std::string& file, std::optional<io::LogbookRecord> record,
                            std::uint64_t outputEnd) {
    m_done.push_back({file, std::move(record), outputEnd});
}

std::string BatchRecords::add(io::Logbook& logbook, std::uint64_t delivered, bool allowDuplicate,
                              std::string& messages) {
    const auto duplicates =
        allowDuplicate ? io::Logbook::Duplicates::Keep : io::Logbook::Duplicates::Refuse;
    for (Done& d : m_done) {
        if (!d.record || d.outputEnd > delivered)
            continue;
        long long duplicate = 0;
        const std::string error = logbook.add(*d.record, duplicates, &duplicate);
        if (duplicate != 0) {
            messages += "tamo-calibrate: " + d.file + ": not kept in the logbook: it is record " +
                        std::to_string(duplicate) + " already (--allow-duplicate keeps it again)\n";
            m_refused = true;
            continue;
        }
        if (!error.empty())
            return error;
        d.added = true;
        ++m_added;
    }
    return {};
}

std::string BatchRecords::summary(const std::string& logPath, const std::vector<std::string>& files,
                                  bool stopped) const {
    std::string text;
    if (!logPath.empty()) {
        text = "tamo-calibrate: " + std::to_string(m_added) +
               (m_added == 1 ? " record" : " records") + " added to " + logPath;
        std::string without;
        for (const Done& d : m_done)
            if (!d.added)
                without += (without.empty() ? "" : ", ") + quoted(d.file);
        if (!without.empty())
            text += "; no record of " + without;
        text += "\n";
    }
    if (stopped && m_done.size() < files.size()) {
        const std::size_t after = files.size() - m_done.size() - 1;
        const bool logged = !logPath.empty();
        text += "tamo-calibrate: stopped by a signal after " + std::to_string(m_done.size()) +
                " of " + std::to_string(files.size()) + " files: " + quoted(files[m_done.size()]);
        if (after == 0)
            text += std::string(" was not calibrated") + (logged ? " and has no record" : "");
        else
            text += " and the " + std::to_string(after) + (after == 1 ? " file" : " files") +
                    " after it were not calibrated" + (logged ? " and have no record" : "");
        text += "\n";
    }
    return text;
}

} // namespace cli

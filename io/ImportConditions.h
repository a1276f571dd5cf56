#pragma once

#include "ImportProfile.h"
#include "core/MessageSink.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// The lines of a foreign file as its import splits them.
struct SplitLines {
    const std::vector<std::string_view>& lines;
    Separator separator;
    char mark; ///< the decimal mark
};

/// The first line from `from` on that begins with the marker (blanks before it
/// and letter case do not count).
std::optional<std::size_t> lineBeginning(const std::vector<std::string_view>& lines,
                                         std::string_view marker, std::size_t from = 0);

/// The text of the number the source names in the file; nothing for a source
/// the user answers (ask) or when the file does not hold it there. `where`
/// becomes the place looked at, for the message that says it was not found.
std::optional<std::string> conditionText(const SplitLines& file, const ConditionSource& source,
                                         std::string& where);

/// A condition's text as the import gives it (its sign changed when the source
/// says so), and where it came from (kFromSourceFile...). A source the file
/// does not hold sends a message and gives nothing; a number out of range
/// refuses the file (`refused`).
std::optional<std::string> readCondition(const SplitLines& file, const ConditionSource& source,
                                         const std::string& key, const std::string& fileName,
                                         core::MessageSink& sink, std::string& origin,
                                         bool& refused);

/// The profile's identifier with the file's name for {file}; then the source's
/// name (unless it is there already) and the profile's, so that the data file
/// written tells where it came from.
std::string importIdentifier(const ImportProfile& profile, const std::string& fileName);

} // namespace io

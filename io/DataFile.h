#pragma once

#include "core/MessageSink.h"
#include "core/Titration.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace io {

/// The numbers of one line of a calibration data file.
struct LineItems {
    int count = 0;                  ///< runs of number characters; 5 means "more than four"
    std::array<double, 4> item{};   ///< the first four runs through core::TextToNumber
    std::array<bool, 4> hasDigit{}; ///< whether each run holds a digit ("e" alone does not)
};

/// Splits one line into numbers. Leading and trailing spaces are removed; the
/// line's decimal character is "," when it holds a comma and no full stop, else
/// "."; the number characters are the digits, that decimal character, "+", "-",
/// "e" and "E"; every maximal run of them is one item. A fifth run sets the
/// count to 5 and ends the split.
LineItems ParseNumbers(std::string_view line, core::MessageSink& sink);

/// What a data file holds once it has passed every check.
struct DataFileContent {
    std::string id; ///< line 1 as read, UTF-8
    std::array<double, 4>
        conditions{}; ///< titrand volume, electrolyte volume, titrand and burette concentration
    std::vector<std::pair<double, double>> points; ///< volume (ml), emf (mV)
    bool latin1 = false; ///< the bytes were not valid UTF-8 and were read as Latin-1
};

/// Largest data file read, bytes, and largest number of data lines.
inline constexpr std::size_t kMaxDataFileBytes = 10 * 1024 * 1024;
inline constexpr std::size_t kMaxDataLines = 100000;

/// Reads and checks the bytes of a data file. The messages of numbers out of
/// range go to the sink once each, in the order they arose; a rejected file
/// then sends the message of its failed check and gives nothing. `name` is the path as the user
/// gave it, for messages that name the file.
std::optional<DataFileContent> parseDataFile(std::string_view bytes, const std::string& name,
                                             core::MessageSink& sink);

/// Puts checked content into the titration: identifier, conditions (captions
/// and numbers, core::setConditions), points and file encoding.
void applyDataFile(DataFileContent&& content, core::Titration& titration);

/// Reads the file into the titration: identifier, conditions (captions and
/// numbers, core::setConditions), points and file encoding. The whole file is
/// checked first: a rejected or unreadable file sends its messages, returns
/// false and leaves the titration exactly as it was.
[[nodiscard]] bool ReadDataFile(const std::string& path, core::Titration& titration,
                                core::MessageSink& sink);

/// The texts a save writes, as the window shows them.
struct DataFileTexts {
    std::string id;
    std::array<std::string, 4> conditions; ///< captions of v0, v1, Initial, Burette
    std::vector<std::pair<std::string, std::string>> points; ///< volume text, emf text
    bool latin1 = false; ///< write Latin-1 (when every character fits)
};

/// The texts of a titration: the condition captions and, for each point, the
/// volume and the emf as the shortest texts that read back to the stored
/// numbers (a measured emf keeps every digit it was read or typed with).
DataFileTexts dataFileTexts(const core::Titration& titration);

/// The bytes of a data file: lines ended by CR LF, values in print zones of 14
/// characters (columns 1, 15, 29, 43; at least one space after a long value).
std::string dataFileBytes(const DataFileTexts& texts);

/// Creates or replaces the file atomically. Returns an empty text on success,
/// else the reason in words (the old file is then intact).
[[nodiscard]] std::string WriteDataFile(const std::string& path, const DataFileTexts& texts);

} // namespace io

#pragma once

#include "DataFile.h"
#include "ImportProfile.h"
#include "core/MessageSink.h"
#include "core/Titration.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// One line of a foreign file as the preview shows it.
struct SourceRow {
    int line = 0; ///< counting from 1
    std::vector<std::string> fields;
    bool point = false; ///< read as a titration point
};

/// Where an imported titration came from, for the record of its calibration.
struct ImportOrigin {
    std::string sourceFile;   ///< the source's absolute path
    std::string sourceSha256; ///< of its bytes, in lower-case hexadecimal
    std::string profileText;  ///< the profile that read it (profileText)
    /// Where each condition (V0, V1, CT, CB) came from: "source file", "profile"
    /// or "typed"; empty while the user has still to give it.
    std::array<std::string, 4> conditionSources;
};

/// A foreign file read by a profile.
struct ImportResult {
    bool accepted = false; ///< enough points found; otherwise a message said why
    /// The identifier, ending in the source's name and the profile's unless the
    /// profile's identifier holds the source's name already.
    std::string id;
    /// The texts of V0, V1, CT and CB; none where the user must give the condition.
    std::array<std::optional<std::string>, 4> conditions;
    std::vector<std::pair<double, double>> points; ///< volume (ml), emf (mV)
    std::vector<SourceRow> rows; ///< the first lines from the start of the data, for a preview
    int volumeColumn = -1;       ///< the columns read, counting from 0; -1 when not found
    int emfColumn = -1;
    bool latin1 = false; ///< the bytes were read as Latin-1
    /// The emf look like volts read as millivolts (or the reverse) and no unit
    /// was given: not to be written as a data file until the unit is chosen.
    bool emfUnitInDoubt = false;
    ImportOrigin origin;
};

/// Lines kept for the preview.
inline constexpr std::size_t kPreviewRows = 200;
/// The origins of the conditions.
inline constexpr const char* kFromSourceFile = "source file";
inline constexpr const char* kFromProfile = "profile";
inline constexpr const char* kTyped = "typed";
/// Fewer numeric rows than this are not a titration.
inline constexpr std::size_t kMinImportRows = 5;

/// Reads the bytes of a foreign file by the profile. Warnings (an emf that
/// looks like volts, amounts that start again at 0 or look like a row index or
/// times, rows without values) and the reason for a refusal go to the sink.
/// `name` is the file's path as the user gave it. The preview rows are kept
/// also when the file is refused: the first lines as they are when the profile
/// finds no data in it.
ImportResult importText(std::string_view bytes, const std::string& name,
                        const ImportProfile& profile, core::MessageSink& sink);

/// Reads the file and imports it; an unreadable file sends its message.
ImportResult importFile(const std::string& path, const ImportProfile& profile,
                        core::MessageSink& sink);

/// The keys (V0, V1, CT, CB) of the conditions still to be given.
std::vector<std::string> missingConditions(const ImportResult& result);

/// The import as the texts of a classic data file, each number as its
/// shortest text; every condition must be given. Numbers out of range are
/// refused when they are read, so a condition is always a number here.
DataFileTexts importedTexts(const ImportResult& result);

/// Checks the import as its classic data file would be read back: the reader's
/// limits and checks (a condition that shows as zero...). The messages of a
/// refusal go to the sink; the content when accepted.
std::optional<DataFileContent> checkedImport(const ImportResult& result, const std::string& name,
                                             core::MessageSink& sink);

/// Loads an accepted import with every condition given as if its classic data
/// file were read: the same checks and messages. A refusal leaves the
/// titration as it was.
[[nodiscard]] bool loadImport(const ImportResult& result, const std::string& name,
                              core::Titration& titration, core::MessageSink& sink);

/// Where --write-data puts the classic file of a source: the folder, the
/// source's name without its extension, ".txt".
std::string importedDataPath(const std::string& folder, const std::string& source);

} // namespace io

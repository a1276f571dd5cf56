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

/// A foreign file read by a profile.
struct ImportResult {
    bool accepted = false; ///< enough points found; otherwise a message said why
    std::string id;
    /// The texts of V0, V1, CT and CB; none where the user must give the condition.
    std::array<std::optional<std::string>, 4> conditions;
    std::vector<std::pair<double, double>> points; ///< volume (ml), emf (mV)
    std::vector<SourceRow> rows; ///< the first lines from the start of the data, for a preview
    int volumeColumn = -1;       ///< the columns read, counting from 0; -1 when not found
    int emfColumn = -1;
    bool latin1 = false; ///< the bytes were read as Latin-1
};

/// Lines kept for the preview.
inline constexpr std::size_t kPreviewRows = 200;
/// Fewer numeric rows than this are not a titration.
inline constexpr std::size_t kMinImportRows = 5;

/// Reads the bytes of a foreign file by the profile. Warnings (an emf that
/// looks like volts, amounts that start again at 0 or look like a row index or
/// times) and the reason for a refusal go to the sink. `name` is the file's
/// path as the user gave it.
ImportResult importText(std::string_view bytes, const std::string& name,
                        const ImportProfile& profile, core::MessageSink& sink);

/// Reads the file and imports it; an unreadable file sends its message.
ImportResult importFile(const std::string& path, const ImportProfile& profile,
                        core::MessageSink& sink);

/// The keys (V0, V1, CT, CB) of the conditions still to be given.
std::vector<std::string> missingConditions(const ImportResult& result);

/// The import as the texts of a classic data file, each number as its
/// shortest text; every condition must be given.
DataFileTexts importedTexts(const ImportResult& result);

/// Loads an accepted import with every condition given as if its classic data
/// file were read: the same checks and messages. A refusal leaves the
/// titration as it was.
[[nodiscard]] bool loadImport(const ImportResult& result, const std::string& name,
                              core::Titration& titration, core::MessageSink& sink);

/// Where --write-data puts the classic file of a source: the folder, the
/// source's name without its extension, ".txt".
std::string importedDataPath(const std::string& folder, const std::string& source);

} // namespace io

#pragma once

#include "core/UncertaintyInputs.h"
#include "core/Verdict.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// The value of a key in a text of tagged lines: the text between the first
/// "<key>" and the first "</key>" (blanks removed from the key, letter case
/// significant), unchanged; empty when either tag is missing or out of order.
std::string GetTag(std::string_view key, std::string_view text);

/// One tagged line "<key>value</key>" (spaces removed from the key, the value
/// trimmed of leading and trailing spaces), without line end.
std::string MakeTag(std::string_view key, std::string_view value);

/// The text without any space character (tabs stay).
std::string StripSpaces(std::string_view text);

/// The window's calibration choices, remembered after the verdict limits.
struct CalibrationChoices {
    std::string gamma = "1"; ///< the Gamma box: the factor, or a refinement's start
    bool refineGamma = false;
    bool refinePKw = false;
    core::Branch branch = core::Branch::Both;
    bool operator==(const CalibrationChoices&) const = default;
};

/// What the program remembers between runs: texts of the boxes and the limits
/// of the verdict on a calibration.
struct Settings {
    std::string datafile;                                         ///< last data file path
    std::array<std::string, 4> range{"2.5", "4", "10.8", "11.3"}; ///< the two pH ranges
    std::string pKw = "13.78";
    std::string temperature = "25"; ///< degrees Celsius
    core::VerdictLimits limits;
    CalibrationChoices choices;
    std::string importProfile; ///< the import profile used last (a built-in name or a file)
    std::string operatorName; ///< who last kept a record in the logbook; empty: not known yet
    /// The standard uncertainties of the inputs stated; the others take their defaults.
    core::UncertaintyInputs uncertainty;
    /// Why a stated uncertainty was not used (its default stands in):
    /// "<u-emf> holds \"abc\": needs a number"; empty when all were.
    std::string uncertaintyProblem;
    /// Why the file's limits were not all used (the defaults then stand in for
    /// them): "<rmsmax> holds \"abc\", not a number"; empty when they were.
    std::string limitsProblem;
};

/// The defaults: the ranges, pKw and temperature above, the data file path the
/// program folder followed by "/data".
Settings defaultSettings(const std::string& programFolder);

/// A settings value as a box shows it: its leading number (blanks skipped,
/// sign, digits, "." or "," as separator, exponent) in plain form ("4.50 "
/// gives "4.5", "13,78" gives "13.78" with the locale's separator); 0 when it
/// has none.
std::string numberText(std::string_view value);

/// Settings from the text of a settings file: keys anywhere, first occurrence
/// counts, a missing key gives an empty path or "0". A verdict limit is read in
/// double precision (so that a written limit reads back exactly); a missing one,
/// or one without a leading number, keeps its default, so that files written
/// before the limits existed still read.
Settings parseSettingsText(std::string_view text);

/// The settings file: nine lines ended by CR LF, "<TAMO>", the seven tagged
/// lines (datafile, range1..4, pKw, temperature), "</TAMO>", then one tagged
/// line for each verdict limit (slopefactormin, slopefactormax, rmsmax,
/// impuritymax, alkalideviationmax, impuritymin), its shortest exact text with
/// a full stop, and e0min and e0max, empty while the E0 window is off; then
/// the calibration choices (gamma, refinegamma and refinepkw as 0 or 1,
/// branch as both or acid), "importprofile" once an import profile has been
/// used, and the operator; then one tagged line "u-KEY" for each stated
/// uncertainty of the inputs ("0.02", "0.1%"). A file without them reads as
/// the defaults.
std::string settingsText(const Settings& settings);

/// The number keys (range1 to range4, pKw, temperature) whose value in the
/// text holds no number: the tag is missing or holds no digit. parseSettingsText
/// gives "0" for them.
std::vector<std::string> keysWithoutNumber(std::string_view text);

/// Reads the text of a settings file (UTF-8, or Latin-1 made UTF-8). Returns an
/// empty text on success, else the reason (the text is then unchanged).
[[nodiscard]] std::string readSettingsText(const std::string& path, std::string& text);

/// Reads a settings file. Returns an empty text on success, else the reason
/// (the settings are then unchanged).
[[nodiscard]] std::string readSettingsFile(const std::string& path, Settings& settings);

/// Writes a settings file atomically. Returns an empty text on success, else
/// the reason (the old file is then intact).
[[nodiscard]] std::string writeSettingsFile(const std::string& path, const Settings& settings);

} // namespace io

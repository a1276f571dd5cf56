#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// A column of a foreign file: by its number (1 is the first) or by the name
/// in its header row (compared without regard to letter case); neither: found
/// from the header row's usual names, else the first numeric columns.
struct ColumnRef {
    int number = 0; ///< 0 when named or found
    std::string name;
    bool found() const { return number == 0 && name.empty(); }
    bool operator==(const ColumnRef&) const = default;
};

enum class Separator { Auto, Tab, Semicolon, Comma, Space };
enum class DecimalMark { Auto, Point, Comma };
/// Auto: the unit in brackets in the emf column's header ("E [V]"), else mV.
enum class EmfUnit { Auto, mV, V };
enum class AmountUnit { ml, ul, g };
/// What to do when the amounts start again at 0: keep the first run of
/// additions only, or add each run to the end of the one before.
enum class Segments { First, Sum };

/// Where one of the four conditions comes from.
struct ConditionSource {
    enum class Kind {
        Ask,    ///< the user gives it
        Fixed,  ///< the number in `text`
        Line,   ///< field `column` of line `line`
        Before, ///< field `column` of the last non-blank line before the line beginning with `text`
        After,  ///< field `column` of the first non-blank line after the line beginning with `text`
        Key,    ///< the first number after `text` on the first line beginning with it
    } kind = Kind::Ask;
    std::string text;
    int line = 0;
    int column = 0;
    bool negate =
        false; ///< the number with its sign changed (an alkali given as a positive amount)
    /// A number typed for this import (a command-line option), not one the profile holds.
    bool typed = false;
    bool operator==(const ConditionSource&) const = default;
};

/// The conditions in data file order: titrand volume, electrolyte volume,
/// titrand concentration, burette concentration.
inline constexpr std::array<const char*, 4> kConditionKeys{"V0", "V1", "CT", "CB"};

/// How to read one kind of foreign file: a small declarative description
/// that the user can write as a text file (see profileText).
struct ImportProfile {
    std::string name;
    std::string description;
    std::string skipTo; ///< the data begin after the first line beginning with this
    int startLine = 0;  ///< or at this line (counting from 1); 0: at the first line
    std::string endAt;  ///< the data end before the first line beginning with this
    Separator separator = Separator::Auto;
    DecimalMark decimal = DecimalMark::Auto;
    ColumnRef volume; ///< the burette amount
    ColumnRef emf;
    EmfUnit emfUnit = EmfUnit::Auto;
    /// An emf column whose values look like pH (0 to 14, moving one way) is refused.
    bool phCheck = true;
    bool flipEmf = false;
    AmountUnit amountUnit = AmountUnit::ml;
    double density = 0; ///< g/ml, turns masses into volumes; 0: masses stand as volumes
    Segments segments = Segments::First;
    std::array<ConditionSource, 4> conditions;
    std::string id; ///< the identifier; "{file}" stands for the file's name
    bool operator==(const ImportProfile&) const = default;
};

/// The profiles that come with the program: csv, pclims, gravimetric.
std::vector<std::string> builtInProfileNames();

/// The text of a built-in profile (empty for an unknown name): the same
/// format as a profile file, so it serves as an example to copy.
std::string builtInProfileText(std::string_view name);

/// Reads a profile text: "key = value" lines, "#" or ";" comments, an optional
/// "[profile]" line. Returns an empty text on success, else "line N: reason".
[[nodiscard]] std::string parseProfile(std::string_view text, ImportProfile& profile);

/// A built-in profile by name, else the profile file at the path. Returns an
/// empty text on success, else the reason.
[[nodiscard]] std::string loadProfile(const std::string& nameOrPath, ImportProfile& profile);

/// Keys that contradict each other (the data start both after a marker and at
/// a line, one column for both readings, a density for amounts not in g).
/// Returns an empty text, else what contradicts what.
[[nodiscard]] std::string contradiction(const ImportProfile& profile);

/// The profile as a profile file holds it: every key that differs from the
/// default, so that parseProfile reads the same profile back.
std::string profileText(const ImportProfile& profile);

/// A condition source as its key's value ("ask", "-line 1 column 5"...).
std::string conditionSourceText(const ConditionSource& source);

/// Reads a column key's value: a number from 1, else a header name. Returns an
/// empty text, else the reason ("columns start at 1").
[[nodiscard]] std::string parseColumn(std::string_view value, ColumnRef& column);

/// The text without blanks and tabs around it.
std::string_view trimBlanks(std::string_view s);
/// The text with its ASCII letters in lower case.
std::string lowerCase(std::string_view s);

/// Reads a condition source ("ask", a number, "line 1 column 5", "before BWD
/// column 4", "after TEXT column 3", "key TEXT", each optionally after "-").
std::optional<ConditionSource> parseConditionSource(std::string_view text);

} // namespace io

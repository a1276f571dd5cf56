#include "ImportProfile.h"

#include "FileAccess.h"
#include "LineReader.h"
#include "TextEncoding.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace io {

namespace {

constexpr std::size_t kMaxProfileBytes = 64 * 1024;

const char* const kCsv =
    R"(# Columns of numbers. The amount and the emf are the columns whose header
# names them (V, Volume, ml, g...; E, EMF, mV, Potential..., with the emf unit
# in brackets: "E [V]"), else the first two columns of numbers. Separator and
# decimal mark are found from the file; rows without numbers (a header,
# notes) are skipped. The conditions are asked for.
[profile]
name = csv
description = Columns of numbers (commas, semicolons, tabs or blanks)
separator = auto
decimal = auto
emf-unit = auto
amount-unit = ml
V0 = ask
V1 = ask
CT = ask
CB = ask
)";

const char* const kPclims = R"(# Titrator report (PC/LIMS): the measured points stand in the block
# "$S MPL" up to the next "$E", one row each: index, volume (ml), emf (mV),
# then further values. The conditions are asked for (the default).
[profile]
name = pclims
description = Titrator report (PC/LIMS), the $S MPL block
skip-to = $S MPL
end-at = $E
separator = tab
decimal = point
volume-column = 2
emf-column = 3
emf-unit = mV
)";

const char* const kGravimetric =
    R"(# Gravimetric logger CSV. Line 1: mass of the salt solution (g), ionic
# strength, emf0, t0, alkali concentration, acid concentration, batches. Then
# the FWD rows of the acid added (column 4: cumulative acid mass, g), the line
# "BWD" and one row per addition of alkali: time, emf (V), temperature, alkali
# mass added (g), ... Masses in g stand as volumes (the calculation depends on
# ratios of amounts only); concentrations are per kg of solution.
[profile]
name = gravimetric
description = Gravimetric logger CSV (header line, FWD and BWD rows, emf in V, masses in g)
skip-to = BWD
separator = comma
decimal = point
volume-column = 4
emf-column = 2
emf-unit = V
amount-unit = g
V0 = before BWD column 4
V1 = line 1 column 1
CT = line 1 column 6
CB = -line 1 column 5
id = {file}; masses in g as volumes
)";

const std::pair<const char*, const char*> kBuiltIns[] = {
    {"csv", kCsv}, {"pclims", kPclims}, {"gravimetric", kGravimetric}};

std::optional<int> positiveInteger(std::string_view s) {
    int value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size() || value < 1)
        return std::nullopt;
    return value;
}

/// Takes `word` off the front of s (followed by a blank); false when s does not start with it.
bool takeWord(std::string_view& s, std::string_view word) {
    if (lowerCase(s.substr(0, word.size())) != word || s.size() <= word.size() ||
        (s[word.size()] != ' ' && s[word.size()] != '\t'))
        return false;
    s = trimBlanks(s.substr(word.size()));
    return true;
}

/// "MARKER column N": the marker and the column.
bool markerAndColumn(std::string_view s, ConditionSource& source) {
    const std::string low = lowerCase(s);
    const auto at = low.rfind(" column ");
    if (at == std::string::npos)
        return false;
    const std::optional<int> column = positiveInteger(trimBlanks(s.substr(at + 8)));
    source.text = std::string(trimBlanks(s.substr(0, at)));
    if (!column || source.text.empty())
        return false;
    source.column = *column;
    return true;
}

template <typename Enum>
std::optional<Enum> choice(std::string_view value,
                           std::initializer_list<std::pair<const char*, Enum>> choices) {
    const std::string v = lowerCase(value);
    for (const auto& [text, e] : choices)
        if (v == text)
            return e;
    return std::nullopt;
}

/// Sets one key; returns an error text.
std::string setKey(ImportProfile& p, const std::string& key, std::string_view value) {
    const auto bad = [&](const char* expected) {
        return key + " takes " + expected + ", not \"" + std::string(value) + "\"";
    };
    for (std::size_t i = 0; i < kConditionKeys.size(); ++i)
        if (key == lowerCase(kConditionKeys[i])) {
            const std::optional<ConditionSource> source = parseConditionSource(value);
            if (!source)
                return std::string(kConditionKeys[i]) +
                       " takes ask, a number, \"line N column M\", \"before TEXT column M\", "
                       "\"after TEXT column M\" or \"key TEXT\", not \"" +
                       std::string(value) + "\"";
            p.conditions[i] = *source;
            return {};
        }
    if (key == "name")
        p.name = value;
    else if (key == "description")
        p.description = value;
    else if (key == "skip-to")
        p.skipTo = value;
    else if (key == "end-at")
        p.endAt = value;
    else if (key == "id")
        p.id = value;
    else if (key == "start-line") {
        const std::optional<int> n = positiveInteger(value);
        if (!n)
            return bad("a line number");
        p.startLine = *n;
    } else if (key == "volume-column" || key == "emf-column") {
        if (std::string error = parseColumn(value, key == "emf-column" ? p.emf : p.volume);
            !error.empty())
            return key + " takes " + error;
    } else if (key == "separator") {
        const auto s = choice<Separator>(value, {{"auto", Separator::Auto},
                                                 {"tab", Separator::Tab},
                                                 {"semicolon", Separator::Semicolon},
                                                 {"comma", Separator::Comma},
                                                 {"space", Separator::Space}});
        if (!s)
            return bad("auto, tab, semicolon, comma or space");
        p.separator = *s;
    } else if (key == "decimal") {
        const auto d = choice<DecimalMark>(value, {{"auto", DecimalMark::Auto},
                                                   {"point", DecimalMark::Point},
                                                   {"comma", DecimalMark::Comma}});
        if (!d)
            return bad("auto, point or comma");
        p.decimal = *d;
    } else if (key == "emf-unit") {
        const auto u = choice<EmfUnit>(
            value, {{"auto", EmfUnit::Auto}, {"mv", EmfUnit::mV}, {"v", EmfUnit::V}});
        if (!u)
            return bad("auto, mV or V");
        p.emfUnit = *u;
    } else if (key == "amount-unit") {
        const auto u = choice<AmountUnit>(value, {{"ml", AmountUnit::ml},
                                                  {"ul", AmountUnit::ul},
                                                  {"\xc2\xb5l", AmountUnit::ul},
                                                  {"g", AmountUnit::g}});
        if (!u)
            return bad("ml, ul (\xc2\xb5l) or g");
        p.amountUnit = *u;
    } else if (key == "flip-emf") {
        const auto f = choice<bool>(value, {{"yes", true}, {"no", false}});
        if (!f)
            return bad("yes or no");
        p.flipEmf = *f;
    } else if (key == "ph-check") {
        const auto f = choice<bool>(value, {{"yes", true}, {"no", false}});
        if (!f)
            return bad("yes or no");
        p.phCheck = *f;
    } else if (key == "segments") {
        const auto s =
            choice<Segments>(value, {{"first", Segments::First}, {"sum", Segments::Sum}});
        if (!s)
            return bad("first or sum");
        p.segments = *s;
    } else if (key == "density") {
        core::RecordingSink sink;
        const double density = core::TextToNumber(value, sink);
        if (!core::hasNumber(value) || !sink.messages.empty() || !(density > 0))
            return bad("a density in g/ml greater than 0");
        p.density = static_cast<float>(density); // as a number read from a text is kept
    } else {
        return "unknown key \"" + key + "\"";
    }
    return {};
}

std::string builtInNamesText() {
    std::string names;
    for (const auto& [name, text] : kBuiltIns)
        names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

} // namespace

std::string_view trimBlanks(std::string_view s) {
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

std::string lowerCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<ConditionSource> parseConditionSource(std::string_view text) {
    std::string_view s = trimBlanks(text);
    ConditionSource source;
    if (lowerCase(s) == "ask")
        return source;
    if (core::hasNumber(s) && s.find(' ') == std::string_view::npos) {
        source.kind = ConditionSource::Kind::Fixed;
        source.text = s;
        return source;
    }
    if (!s.empty() && s.front() == '-') {
        source.negate = true;
        s = trimBlanks(s.substr(1));
    }
    if (takeWord(s, "line")) {
        ConditionSource field;
        const std::optional<int> line =
            markerAndColumn(s, field) ? positiveInteger(field.text) : std::nullopt;
        if (!line)
            return std::nullopt;
        source.kind = ConditionSource::Kind::Line;
        source.line = *line;
        source.column = field.column;
        return source;
    }
    for (const auto& [word, kind] : {std::pair{"before", ConditionSource::Kind::Before},
                                     std::pair{"after", ConditionSource::Kind::After}})
        if (takeWord(s, word)) {
            source.kind = kind;
            return markerAndColumn(s, source) ? std::optional(source) : std::nullopt;
        }
    if (takeWord(s, "key")) {
        source.kind = ConditionSource::Kind::Key;
        source.text = s;
        return source;
    }
    return std::nullopt;
}

std::vector<std::string> builtInProfileNames() {
    std::vector<std::string> names;
    for (const auto& [name, text] : kBuiltIns)
        names.emplace_back(name);
    return names;
}

std::string builtInProfileText(std::string_view name) {
    for (const auto& [builtIn, text] : kBuiltIns)
        if (name == builtIn)
            return text;
    return {};
}

std::string parseColumn(std::string_view value, ColumnRef& column) {
    if (value.empty())
        return "a column number or a header name";
    if (const std::optional<int> n = positiveInteger(value)) {
        column = {*n, {}};
        return {};
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (end == value.data() + value.size() && error != std::errc::invalid_argument)
        return "a column number, and columns start at 1, not \"" + std::string(value) + "\"";
    column = {0, std::string(value)};
    return {};
}

std::string parseProfile(std::string_view text, ImportProfile& profile) {
    ImportProfile p;
    LineReader lines(text);
    std::string_view line;
    std::vector<std::pair<std::string, int>> seen; // each key with the line that gave it
    while (lines.next(line)) {
        line = trimBlanks(line);
        if (line.empty() || line.front() == '#' || line.front() == ';' ||
            lowerCase(line) == "[profile]")
            continue;
        const auto equals = line.find('=');
        const std::string where = "line " + std::to_string(lines.number()) + ": ";
        if (equals == std::string_view::npos)
            return where + "\"" + std::string(line) + "\" is not of the form key = value";
        const std::string key = lowerCase(trimBlanks(line.substr(0, equals)));
        const auto before =
            std::find_if(seen.begin(), seen.end(), [&](const auto& k) { return k.first == key; });
        if (before != seen.end())
            return where + "the key \"" + key + "\" is given twice, in line " +
                   std::to_string(before->second) + " and in line " +
                   std::to_string(lines.number()) + ": keep one of them";
        seen.emplace_back(key, lines.number());
        if (std::string error = setKey(p, key, trimBlanks(line.substr(equals + 1))); !error.empty())
            return where + error;
    }
    if (std::string error = contradiction(p); !error.empty())
        return error;
    profile = std::move(p);
    return {};
}

std::string contradiction(const ImportProfile& p) {
    if (!p.skipTo.empty() && p.startLine > 0)
        return "skip-to and start-line both say where the data begin (after the line beginning "
               "with \"" +
               p.skipTo + "\", at line " + std::to_string(p.startLine) + "): give one of them";
    if (!p.volume.found() && p.volume == p.emf)
        return "volume-column and emf-column name the same column (" +
               (p.volume.number > 0 ? std::to_string(p.volume.number)
                                    : "\"" + p.volume.name + "\"") +
               "): the amount and the emf are two columns";
    if (p.density > 0 && p.amountUnit != AmountUnit::g)
        return "density turns masses into volumes, but the amount-unit is not g";
    return {};
}

std::string conditionSourceText(const ConditionSource& s) {
    using Kind = ConditionSource::Kind;
    const std::string sign = s.negate ? "-" : "";
    const std::string column = " column " + std::to_string(s.column);
    switch (s.kind) {
    case Kind::Ask:
        return "ask";
    case Kind::Fixed:
        return s.text;
    case Kind::Line:
        return sign + "line " + std::to_string(s.line) + column;
    case Kind::Before:
        return sign + "before " + s.text + column;
    case Kind::After:
        return sign + "after " + s.text + column;
    case Kind::Key:
        return sign + "key " + s.text;
    }
    return "ask";
}

std::string profileText(const ImportProfile& p) {
    const ImportProfile d;
    std::string out = "[profile]\n";
    const auto key = [&out](const char* k, const std::string& value) {
        out += std::string(k) + " = " + value + "\n";
    };
    const auto text = [&](const char* k, const std::string& value, const std::string& byDefault) {
        if (value != byDefault)
            key(k, value);
    };
    const auto column = [](const ColumnRef& c) {
        return c.number > 0 ? std::to_string(c.number) : c.name;
    };
    static const char* const separators[] = {"auto", "tab", "semicolon", "comma", "space"};
    static const char* const marks[] = {"auto", "point", "comma"};
    static const char* const emfUnits[] = {"auto", "mV", "V"};
    static const char* const amountUnits[] = {"ml", "ul", "g"};
    text("name", p.name, d.name);
    text("description", p.description, d.description);
    text("skip-to", p.skipTo, d.skipTo);
    if (p.startLine > 0)
        key("start-line", std::to_string(p.startLine));
    text("end-at", p.endAt, d.endAt);
    text("separator", separators[static_cast<int>(p.separator)], "auto");
    text("decimal", marks[static_cast<int>(p.decimal)], "auto");
    text("volume-column", column(p.volume), "");
    text("emf-column", column(p.emf), "");
    text("emf-unit", emfUnits[static_cast<int>(p.emfUnit)], "auto");
    text("flip-emf", p.flipEmf ? "yes" : "no", "no");
    text("ph-check", p.phCheck ? "yes" : "no", "yes");
    text("amount-unit", amountUnits[static_cast<int>(p.amountUnit)], "ml");
    if (p.density > 0)
        key("density", core::generalNumberText(p.density));
    text("segments", p.segments == Segments::Sum ? "sum" : "first", "first");
    for (std::size_t i = 0; i < p.conditions.size(); ++i)
        key(kConditionKeys[i], conditionSourceText(p.conditions[i]));
    text("id", p.id, d.id);
    return out;
}

std::string loadProfile(const std::string& nameOrPath, ImportProfile& profile) {
    if (const std::string text = builtInProfileText(nameOrPath); !text.empty())
        return parseProfile(text, profile);
    std::string bytes;
    if (std::string error = readFileBytes(nameOrPath, kMaxProfileBytes, bytes); !error.empty()) {
        error[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(error[0])));
        return "no built-in import profile is called \"" + nameOrPath + "\" (" +
               builtInNamesText() + "), and " + error;
    }
    if (bytes.size() > kMaxProfileBytes)
        return "the import profile \"" + nameOrPath + "\" is larger than 64 KB";
    const DecodedText decoded = decodeText(bytes);
    ImportProfile read;
    if (std::string error = parseProfile(decoded.text, read); !error.empty())
        return "the import profile \"" + nameOrPath + "\", " + error;
    if (read.name.empty())
        read.name = std::filesystem::path(nameOrPath).filename().string();
    profile = std::move(read);
    return {};
}

} // namespace io

#include "Settings.h"

#include "FileAccess.h"
#include "TextEncoding.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace io {

namespace {

/// A settings file is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxSettingsBytes = 1024 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

/// The leading number of a value, "." as its separator; empty when there is none.
std::string leadingNumber(std::string_view value) {
    std::size_t start = 0;
    while (start < value.size() && isBlank(value[start]))
        ++start;
    std::size_t i = start;
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        ++i;
    std::size_t end = skipDigits(value, i);
    bool digits = end > i;
    if (end < value.size() && (value[end] == '.' || value[end] == ',')) {
        const std::size_t fractionEnd = skipDigits(value, end + 1);
        digits = digits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!digits)
        return {};
    if (end < value.size() && (value[end] == 'e' || value[end] == 'E')) {
        std::size_t j = end + 1;
        if (j < value.size() && (value[j] == '+' || value[j] == '-'))
            ++j;
        if (const std::size_t exponentEnd = skipDigits(value, j); exponentEnd > j)
            end = exponentEnd;
    }
    std::string number(value.substr(start, end - start));
    if (const auto comma = number.find(','); comma != std::string::npos)
        number[comma] = '.';
    return number;
}

std::string trimSpaces(std::string_view s) {
    const auto begin = s.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    return std::string(s.substr(begin, s.find_last_not_of(' ') - begin + 1));
}

/// The tagged lines of the verdict limits, in the order they are written.
struct LimitKey {
    const char* key;
    double core::VerdictLimits::*limit;
};
constexpr std::array<LimitKey, 6> kLimitKeys{{
    {"slopefactormin", &core::VerdictLimits::slopeFactorMin},
    {"slopefactormax", &core::VerdictLimits::slopeFactorMax},
    {"rmsmax", &core::VerdictLimits::rmsMax},
    {"impuritymax", &core::VerdictLimits::impurityMax},
    {"alkalideviationmax", &core::VerdictLimits::alkaliDeviationMax},
    {"impuritymin", &core::VerdictLimits::impurityMin},
}};
struct OptionalLimitKey {
    const char* key;
    std::optional<double> core::VerdictLimits::*limit;
};
constexpr std::array<OptionalLimitKey, 2> kOptionalLimitKeys{{
    {"e0min", &core::VerdictLimits::e0Min},
    {"e0max", &core::VerdictLimits::e0Max},
}};

/// The value's leading number in double precision, or the fallback when it has none.
double limitValue(std::string_view value, double fallback) {
    const std::string text = leadingNumber(value);
    std::string_view number = text;
    if (number.starts_with('+'))
        number.remove_prefix(1); // from_chars takes no plus sign
    double result = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), result);
    if (number.empty() || parsed.ec != std::errc() || !std::isfinite(result))
        return fallback;
    return result;
}

/// Reads the limits of the text; a limit whose tag holds no number, or limits
/// that cannot be used together, leave the defaults, and the problem is named.
void readLimits(std::string_view text, Settings& settings) {
    core::VerdictLimits& limits = settings.limits;
    std::string problem;
    const auto read = [&](const char* key) -> std::optional<double> {
        const std::string value = GetTag(key, text);
        if (trimSpaces(value).empty())
            return std::nullopt;
        const double number = limitValue(value, NAN);
        if (std::isnan(number) && problem.empty())
            problem = std::string("<") + key + "> holds \"" + value + "\", not a number";
        return std::isnan(number) ? std::nullopt : std::optional<double>(number);
    };
    for (const LimitKey& k : kLimitKeys)
        limits.*k.limit = read(k.key).value_or(limits.*k.limit);
    for (const OptionalLimitKey& k : kOptionalLimitKeys)
        limits.*k.limit = read(k.key);
    if (problem.empty())
        problem = core::limitsProblem(limits);
    if (!problem.empty())
        limits = {};
    settings.limitsProblem = problem;
}

std::string limitText(double limit) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), limit);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

std::string StripSpaces(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            result += c;
    return result;
}

std::string GetTag(std::string_view key, std::string_view text) {
    const std::string name = StripSpaces(key);
    const std::string open = "<" + name + ">";
    const std::string close = "</" + name + ">";
    const std::size_t openPos = text.find(open);
    if (openPos == std::string_view::npos)
        return {};
    const std::size_t begin = openPos + open.size();
    const std::size_t end = text.find(close);
    if (end == std::string_view::npos || end < begin)
        return {};
    return std::string(text.substr(begin, end - begin));
}

std::string MakeTag(std::string_view key, std::string_view value) {
    const std::string name = StripSpaces(key);
    return "<" + name + ">" + trimSpaces(value) + "</" + name + ">";
}

namespace {

void readChoices(std::string_view text, CalibrationChoices& choices) {
    if (const std::string gamma = GetTag("gamma", text); !leadingNumber(gamma).empty())
        choices.gamma = numberText(gamma);
    choices.refineGamma = trimSpaces(GetTag("refinegamma", text)) == "1";
    choices.refinePKw = trimSpaces(GetTag("refinepkw", text)) == "1";
    choices.branch =
        trimSpaces(GetTag("branch", text)) == "acid" ? core::Branch::Acid : core::Branch::Both;
}

/// The stated uncertainties: a tag u-KEY for each one stated. One that cannot be
/// read keeps its default, and the first such is named.
void readUncertainties(std::string_view text, Settings& settings) {
    for (core::UncertaintyInput input : core::kUncertaintyInputs) {
        const std::string key = std::string("u-") + core::describe(input).key;
        const std::string value = trimSpaces(GetTag(key, text));
        if (value.empty())
            continue;
        core::StatedUncertainty stated;
        if (const std::string error = core::parseStatedUncertainty(input, value, stated);
            !error.empty()) {
            if (settings.uncertaintyProblem.empty())
                settings.uncertaintyProblem = "<" + key + "> " + error;
            continue;
        }
        settings.uncertainty[input] = stated;
    }
}

void writeUncertainties(const Settings& settings, std::string& text) {
    for (core::UncertaintyInput input : core::kUncertaintyInputs)
        if (const std::optional<core::StatedUncertainty>& stated = settings.uncertainty[input])
            text +=
                MakeTag(std::string("u-") + core::describe(input).key, core::statedText(*stated)) +
                "\r\n";
}

} // namespace

Settings defaultSettings(const std::string& programFolder) {
    Settings settings;
    settings.datafile = programFolder + "/data";
    return settings;
}

std::string numberText(std::string_view value) {
    core::RecordingSink ignored; // a value out of range reads as 0, like one with no number
    return core::generalNumberText(core::TextToNumber(leadingNumber(value), ignored));
}

Settings parseSettingsText(std::string_view text) {
    Settings settings;
    settings.datafile = GetTag("datafile", text);
    for (std::size_t i = 0; i < settings.range.size(); ++i)
        settings.range[i] = numberText(GetTag("range" + std::to_string(i + 1), text));
    settings.pKw = numberText(GetTag("pKw", text));
    settings.temperature = numberText(GetTag("temperature", text));
    readLimits(text, settings);
    readChoices(text, settings.choices);
    settings.importProfile = GetTag("importprofile", text);
    settings.operatorName = trimSpaces(GetTag("operator", text));
    readUncertainties(text, settings);
    return settings;
}

std::string settingsText(const Settings& settings) {
    std::string text = "<TAMO>\r\n";
    const auto line = [&](std::string_view key, std::string_view value) {
        text += MakeTag(key, value) + "\r\n";
    };
    line("datafile", settings.datafile);
    for (std::size_t i = 0; i < settings.range.size(); ++i)
        line("range" + std::to_string(i + 1), settings.range[i]);
    line("pKw", settings.pKw);
    line("temperature", settings.temperature);
    text += "</TAMO>\r\n";
    const core::VerdictLimits defaults;
    for (const LimitKey& k : kLimitKeys) {
        const double limit = settings.limits.*k.limit;
        line(k.key, limitText(std::isfinite(limit) ? limit : defaults.*k.limit));
    }
    for (const OptionalLimitKey& k : kOptionalLimitKeys) {
        const std::optional<double>& limit = settings.limits.*k.limit;
        line(k.key, limit && std::isfinite(*limit) ? limitText(*limit) : std::string());
    }
    const CalibrationChoices& c = settings.choices;
    line("gamma", c.gamma);
    line("refinegamma", c.refineGamma ? "1" : "0");
    line("refinepkw", c.refinePKw ? "1" : "0");
    line("branch", c.branch == core::Branch::Acid ? "acid" : "both");
    if (!settings.importProfile.empty())
        line("importprofile", settings.importProfile);
    line("operator", settings.operatorName);
    writeUncertainties(settings, text);
    return text;
}

std::vector<std::string> keysWithoutNumber(std::string_view text) {
    std::vector<std::string> keys;
    for (const char* key : {"range1", "range2", "range3", "range4", "pKw", "temperature"})
        if (leadingNumber(GetTag(key, text)).empty())
            keys.emplace_back(key);
    return keys;
}

std::string readSettingsText(const std::string& path, std::string& text) {
    std::string bytes;
    if (std::string error = readFileBytes(path, kMaxSettingsBytes, bytes); !error.empty())
        return error;
    if (bytes.size() > kMaxSettingsBytes)
        return "The file \"" + path + "\" is larger than 1 MB and is not a settings file";
    text = decodeText(bytes).text;
    return {};
}

std::string readSettingsFile(const std::string& path, Settings& settings) {
    std::string text;
    if (std::string error = readSettingsText(path, text); !error.empty())
        return error;
    settings = parseSettingsText(text);
    return {};
}

std::string writeSettingsFile(const std::string& path, const Settings& settings) {
    return writeFileAtomically(path, settingsText(settings));
}

} // namespace io

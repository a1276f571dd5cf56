#include "ImportFields.h"

#include "TextEncoding.h"
#include "core/NumberEntry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace io {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool hasDigit(std::string_view s) {
    return std::any_of(s.begin(), s.end(), isDigit);
}

/// A field without blanks around it and without the quotes a spreadsheet puts around text.
std::string_view cleanField(std::string_view field) {
    field = trimBlanks(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = trimBlanks(field.substr(1, field.size() - 2));
    return field;
}

/// How well the separator splits a line: fields of numbers count for it,
/// fields of digits that are not one number against it.
int splitScore(std::string_view line, Separator separator) {
    int score = 0;
    for (const std::string& f : splitFields(line, separator)) {
        const bool number =
            isNumberField(f, '.') || (separator != Separator::Comma && isNumberField(f, ','));
        score += number ? 1 : hasDigit(f) ? -1 : 0;
    }
    return score;
}

} // namespace

std::vector<std::string> splitFields(std::string_view line, Separator separator) {
    std::vector<std::string> fields;
    if (separator == Separator::Space || separator == Separator::Auto) {
        std::size_t i = 0;
        while ((i = line.find_first_not_of(" \t", i)) != std::string_view::npos) {
            const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
            fields.emplace_back(cleanField(line.substr(i, end - i)));
            i = end;
        }
        return fields;
    }
    const char c = separator == Separator::Tab ? '\t' : separator == Separator::Comma ? ',' : ';';
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(c, start);
        fields.emplace_back(cleanField(line.substr(start, end - start)));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

Separator findSeparator(const std::vector<std::string_view>& sample) {
    Separator best = Separator::Space;
    long bestScore = std::numeric_limits<long>::min();
    for (const Separator s :
         {Separator::Tab, Separator::Semicolon, Separator::Comma, Separator::Space}) {
        long score = 0;
        for (const std::string_view line : sample)
            score += splitScore(line, s);
        if (score > bestScore) {
            best = s;
            bestScore = score;
        }
    }
    return best;
}

std::string separatorName(Separator separator) {
    switch (separator) {
    case Separator::Tab:
        return "tab";
    case Separator::Semicolon:
        return "semicolon";
    case Separator::Comma:
        return "comma";
    case Separator::Auto:
    case Separator::Space:
        break;
    }
    return "blank";
}

bool isNumberField(std::string_view s, char mark) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool digits = false, seenMark = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i]))
            digits = true;
        else if (s[i] == mark && !seenMark)
            seenMark = true;
        else
            break;
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t exponent = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i == exponent)
            return false;
    }
    return i == s.size();
}

bool isOddNumber(std::string_view s, char mark) {
    if (isNumberField(s, mark))
        return false;
    const char other = mark == '.' ? ',' : '.';
    if (isNumberField(s, other))
        return true;
    // Digit grouping: digits and both marks, nothing else.
    const bool plain = std::all_of(s.begin(), s.end(), [](char c) {
        return isDigit(c) || c == '.' || c == ',' || c == '+' || c == '-';
    });
    return plain && hasDigit(s) && s.find('.') != s.npos && s.find(',') != s.npos;
}

bool isMissingValue(std::string_view s) {
    static const std::array<std::string_view, 12> kMissing{
        "", "nan", "-nan", "+nan", "inf", "-inf", "+inf", "infinity", "n/a", "na", "-", "null"};
    const std::string low = lowerCase(s);
    return std::find(kMissing.begin(), kMissing.end(), low) != kMissing.end();
}

std::optional<double> fieldNumber(std::string_view field, char mark, int shift, bool& outOfRange) {
    outOfRange = false;
    if (!isNumberField(field, mark))
        return std::nullopt;
    std::string text(field);
    std::replace(text.begin(), text.end(), ',', '.');
    if (shift != 0) {
        const auto e = text.find_first_of("eE");
        long long exponent = 0;
        bool shiftable = true;
        if (e != std::string::npos) {
            const char* first = text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0);
            const auto [end, error] = std::from_chars(first, text.data() + text.size(), exponent);
            // Beyond this no mantissa a file can hold brings the number back into range.
            constexpr long long kFar = std::numeric_limits<long long>::max() / 2;
            shiftable = error == std::errc() && exponent > -kFar && exponent < kFar;
            if (shiftable)
                text.resize(e);
        }
        if (shiftable)
            text += "e" + std::to_string(exponent + shift);
    }
    core::RecordingSink sink;
    const double value = core::TextToNumber(text, sink);
    if (!sink.messages.empty()) {
        outOfRange = true;
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> notTextReason(std::string_view bytes) {
    const std::pair<std::string_view, const char*> kinds[] = {
        {"\x1f\x8b", "gzip compressed?"},
        {"\x89PNG", "a PNG image?"},
        {"PK\x03\x04", "a zip archive or a spreadsheet workbook? Export it as CSV"},
        {"%PDF", "a PDF document?"},
        {"\xff\xfe", "UTF-16 text? Save it as UTF-8"},
        {"\xfe\xff", "UTF-16 text? Save it as UTF-8"},
    };
    for (const auto& [magic, reason] : kinds)
        if (bytes.substr(0, magic.size()) == magic)
            return std::string(reason);
    const std::string_view head = bytes.substr(0, 4096);
    const auto control = std::count_if(head.begin(), head.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v';
    });
    if (bytes.find('\0') != std::string_view::npos || control * 20 > static_cast<long>(head.size()))
        return std::string();
    return std::nullopt;
}

std::string quotedField(std::string_view field) {
    constexpr std::size_t kLongest = 60;
    std::string out = "\"";
    std::size_t i = 0;
    while (i < field.size() && i < kLongest) {
        const auto u = static_cast<unsigned char>(field[i]);
        const std::size_t n = u < 0x80 ? 1 : utf8SequenceLength(field.substr(i));
        if (n == 0 || u < 0x20 || u == 0x7f) {
            out += '?';
            ++i;
            continue;
        }
        out += field.substr(i, n);
        i += n;
    }
    if (i < field.size())
        out += "...";
    return out + "\"";
}

} // namespace io

#include "NumberEntry.h"

#include "Locale.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace core {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Length of the number at the start of s (sign, digits, separator, digits,
/// exponent), or 0 when s does not start with one. An exponent is taken only
/// when digits follow it.
std::size_t numberLength(std::string_view s, char separator) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == separator) {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && isDigit(s[j]))
            ++j, ++expDigits;
        if (expDigits > 0)
            i = j;
    }
    return i;
}

enum class Conversion { Ok, OutOfRange };

/// Converts a number already matched by numberLength to single precision.
Conversion toSingle(std::string_view number, char separator, float& value) {
    // from_chars takes no "+" and only "." as separator: copy the text only when it must change.
    std::string copy;
    std::string_view text = number;
    if (number.front() == '+' || (separator != '.' && number.find(separator) != number.npos)) {
        copy.assign(number.front() == '+' ? number.substr(1) : number);
        if (auto pos = copy.find(separator); pos != std::string::npos)
            copy[pos] = '.';
        text = copy;
    }
    const char* first = text.data();
    const char* last = first + text.size();
    float f = 0;
    auto [ptr, ec] = std::from_chars(first, last, f);
    if (ec == std::errc()) {
        value = f;
        return Conversion::Ok;
    }
    // Out of single range: overflow is an error, underflow rounds to the nearest single.
    double d = 0;
    auto [dptr, dec] = std::from_chars(first, last, d);
    if (dec == std::errc() && (d > 1.0 || d < -1.0))
        return Conversion::OutOfRange;
    if (dec == std::errc()) {
        value = static_cast<float>(d);
        return Conversion::Ok;
    }
    // Beyond double range too: decide by the sign of the decimal exponent.
    auto e = text.find_first_of("eE");
    bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
    if (!tiny)
        return Conversion::OutOfRange;
    value = text.front() == '-' ? -0.0f : 0.0f;
    return Conversion::Ok;
}

/// Step 1: the whole text is one number (blanks around it allowed).
std::optional<std::string_view> wholeNumber(std::string_view s, char separator) {
    std::size_t begin = 0;
    while (begin < s.size() && isBlank(s[begin]))
        ++begin;
    std::size_t end = s.size();
    while (end > begin && isBlank(s[end - 1]))
        --end;
    std::string_view body = s.substr(begin, end - begin);
    std::size_t n = numberLength(body, separator);
    if (n == 0 || n != body.size())
        return std::nullopt;
    return body;
}

/// Step 2: the leading number of the text as typed, "." as separator; empty when there is none.
std::string_view leadingNumber(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size() && isBlank(s[begin]))
        ++begin;
    const std::string_view rest = s.substr(begin);
    return rest.substr(0, numberLength(rest, '.'));
}

/// Converts a leading number ("." as separator) to double. Beyond the single
/// range it is out of range, as a whole number would be; below it, it stays.
Conversion toDouble(std::string_view number, double& value) {
    if (number.front() == '+')
        number.remove_prefix(1);
    const char* first = number.data();
    const char* last = first + number.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: decide by the sign of the decimal exponent.
        const auto e = number.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        if (!tiny)
            return Conversion::OutOfRange;
        value = number.front() == '-' ? -0.0 : 0.0;
        return Conversion::Ok;
    }
    return std::abs(value) > std::numeric_limits<float>::max() ? Conversion::OutOfRange
                                                               : Conversion::Ok;
}

/// The common case, a plain number such as "283.11" or "-0.1" with nothing
/// to change: from_chars reads the whole text. Nothing when it does not.
std::optional<double> plainNumber(std::string_view s, char separator) {
    if (s.empty() || !(isDigit(s.front()) || s.front() == '-'))
        return std::nullopt;
    for (const char c : s) // a short text: a plain loop beats a library search
        if (c == ',' || (c == '.' && separator != '.'))
            return std::nullopt;
    float value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return static_cast<double>(value);
}

} // namespace

std::string FixDecimalSeparator(std::string_view s) {
    std::string result(s);
    const bool comma = decimalSeparator() == ',';
    const char from = comma ? '.' : ',';
    const char to = comma ? ',' : '.';
    if (auto pos = result.find(from); pos != std::string::npos)
        result[pos] = to;
    return result;
}

double TextToNumber(std::string_view s, MessageSink& sink) {
    const char separator = decimalSeparator();
    if (const std::optional<double> plain = plainNumber(s, separator))
        return *plain;
    // Most texts have no mark to change: they are read in place.
    std::string changed;
    std::string_view fixed = s;
    if (s.find(separator == ',' ? '.' : ',') != std::string_view::npos)
        fixed = changed = FixDecimalSeparator(s);
    if (auto whole = wholeNumber(fixed, separator)) {
        float value = 0;
        if (toSingle(*whole, separator, value) == Conversion::OutOfRange) {
            sink.message(std::string(kInvalidNumberMessage));
            return 0.0;
        }
        return static_cast<double>(value);
    }
    const std::string_view number = leadingNumber(s);
    if (number.empty())
        return 0.0;
    double value = 0;
    if (toDouble(number, value) == Conversion::OutOfRange) {
        sink.message(std::string(kInvalidNumberMessage));
        return 0.0;
    }
    return value;
}

bool hasNumber(std::string_view s) {
    return wholeNumber(FixDecimalSeparator(s), decimalSeparator()) || !leadingNumber(s).empty();
}

} // namespace core

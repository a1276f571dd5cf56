#include "Format.h"

#include "Locale.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace core {

namespace {

/// The parts of a picture pattern.
struct Picture {
    int minIntegerDigits = 0; ///< "0" before the point
    int requiredDecimals = 0; ///< "0" after the point
    int decimals = 0;         ///< "0" and "#" after the point
    bool point = false;       ///< the pattern has a point
    bool exponent = false;    ///< the pattern has "E-0..."
    int minExponentDigits = 1;
};

Picture parsePicture(std::string_view pattern) {
    Picture p;
    bool afterPoint = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == 'E' || c == 'e') {
            p.exponent = true;
            p.minExponentDigits = 0;
            for (std::size_t j = i + 1; j < pattern.size(); ++j)
                p.minExponentDigits += pattern[j] == '0' ? 1 : 0;
            if (p.minExponentDigits == 0)
                p.minExponentDigits = 1;
            break;
        }
        if (c == '.') {
            p.point = true;
            afterPoint = true;
        } else if (c == '0' || c == '#') {
            if (afterPoint) {
                ++p.decimals;
                if (c == '0')
                    p.requiredDecimals = p.decimals;
            } else if (c == '0') {
                ++p.minIntegerDigits;
            }
        }
    }
    return p;
}

/// |value| rounded to `decimals` places, exact halves away from zero, as the
/// digits of the integer part and of the fraction (exactly `decimals` of them).
struct Rounded {
    std::string integer;
    std::string fraction;
};

/// Integer and fraction digits of a fixed-notation text such as "12.345" or "12".
Rounded splitFixed(std::string_view text) {
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos)
        return {std::string(text), {}};
    return {std::string(text.substr(0, point)), std::string(text.substr(point + 1))};
}

/// The exact decimal expansion of a double has at most (53 - exponent) fraction
/// digits; printed that far, the first dropped digit decides the rounding exactly.
Rounded roundExactly(double magnitude, int decimals) {
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const int precision = std::max(decimals + 1, 53 - exponent);
    // Up to 309 integer digits and 1126 fraction digits (the smallest subnormal).
    std::array<char, 1500> buffer;
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                std::chars_format::fixed, precision);
    if (result.ec != std::errc())
        return {"0", std::string(static_cast<std::size_t>(decimals), '0')};
    Rounded r = splitFixed(std::string_view(buffer.data(), result.ptr));
    std::string digits = r.integer + r.fraction;
    const std::size_t integerLength = r.integer.size();
    const std::size_t keep = integerLength + static_cast<std::size_t>(decimals);
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    std::size_t i = digits.size();
    while (up && i > 0) {
        --i;
        if (digits[i] != '9') {
            ++digits[i];
            break;
        }
        digits[i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            return {digits.substr(0, integerLength + 1), digits.substr(integerLength + 1)};
        }
    }
    return {digits.substr(0, integerLength), digits.substr(integerLength)};
}

__extension__ typedef unsigned __int128 Wide;

constexpr std::array<std::uint64_t, 10> kPowersOfTen{
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

/// Rounding in integers, exact for every double below 1e15 with at most nine
/// decimals: the value is m / 2^shift, so value * 10^decimals is the wide
/// integer m * 10^decimals shifted right, and the shifted-out bits are the
/// remainder that decides the rounding.
bool roundInIntegers(double magnitude, int decimals, Rounded& rounded) {
    if (decimals < 0 || decimals > 9 || !(magnitude < 1e15))
        return false;
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent); // in [0.5, 1), or 0
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - exponent; // at least 4, since the value is below 2^50
    const std::uint64_t scale = kPowersOfTen[static_cast<std::size_t>(decimals)];
    const Wide scaled = Wide(mantissa) * scale; // below 2^83
    Wide units = 0;
    if (shift < 100) {
        units = scaled >> shift;
        const Wide remainder = scaled - (units << shift);
        if (remainder >= (Wide(1) << (shift - 1)))
            ++units;
    }
    std::array<char, 24> text;
    auto end = std::to_chars(text.data(), text.data() + text.size(),
                             static_cast<std::uint64_t>(units / scale)).ptr;
    rounded.integer.assign(text.data(), end);
    end = std::to_chars(text.data(), text.data() + text.size(),
                        static_cast<std::uint64_t>(units % scale)).ptr;
    const auto digits = static_cast<std::size_t>(end - text.data());
    rounded.fraction.assign(static_cast<std::size_t>(decimals) - std::min<std::size_t>(digits, decimals), '0');
    if (decimals > 0)
        rounded.fraction.append(text.data(), end);
    return true;
}

Rounded roundMagnitude(double magnitude, int decimals) {
    Rounded rounded;
    if (roundInIntegers(magnitude, decimals, rounded))
        return rounded;
    // to_chars rounds to nearest with ties to even, which differs from rounding
    // halves away from zero only at an exact tie. One digit more shows whether
    // the value can be one (its last digit is then 5); only then is the exact
    // expansion needed.
    std::array<char, 400> buffer;
    const auto end = buffer.data() + buffer.size();
    auto probe = std::to_chars(buffer.data(), end, magnitude, std::chars_format::fixed, decimals + 1);
    if (probe.ec != std::errc() || probe.ptr[-1] == '5')
        return roundExactly(magnitude, decimals);
    auto result = std::to_chars(buffer.data(), end, magnitude, std::chars_format::fixed, decimals);
    return splitFixed(std::string_view(buffer.data(), result.ptr));
}

std::string strippedInteger(const std::string& integer, int minDigits) {
    std::size_t first = integer.find_first_not_of('0');
    std::string significant = first == std::string::npos ? std::string() : integer.substr(first);
    if (static_cast<int>(significant.size()) < minDigits)
        significant.insert(0, static_cast<std::size_t>(minDigits) - significant.size(), '0');
    return significant;
}

bool allZero(const std::string& digits) {
    return digits.find_first_not_of('0') == std::string::npos;
}

/// Integer and fraction parts in the pattern's form, without sign.
std::string layout(const Picture& p, const std::string& integer, std::string fraction) {
    std::string text = strippedInteger(integer, p.minIntegerDigits);
    while (static_cast<int>(fraction.size()) > p.requiredDecimals && !fraction.empty() &&
           fraction.back() == '0')
        fraction.pop_back();
    if (p.point) {
        text += decimalSeparator();
        text += fraction;
    }
    return text;
}

std::string formatFixed(double value, const Picture& p) {
    Rounded r = roundMagnitude(std::fabs(value), p.decimals);
    std::string text = layout(p, r.integer, r.fraction);
    if (value < 0 && !(allZero(r.integer) && allZero(r.fraction)))
        text.insert(0, 1, '-');
    return text;
}

std::string formatScientific(double value, const Picture& p) {
    const double magnitude = std::fabs(value);
    const int integerDigits = std::max(p.minIntegerDigits, 1);
    int exponent = 0;
    Rounded r{"0", std::string(static_cast<std::size_t>(p.decimals), '0')};
    if (magnitude > 0) {
        exponent = static_cast<int>(std::floor(std::log10(magnitude))) - (integerDigits - 1);
        for (int attempt = 0; attempt < 3; ++attempt) {
            r = roundMagnitude(magnitude / std::pow(10.0, exponent), p.decimals);
            const int length = static_cast<int>(strippedInteger(r.integer, 0).size());
            if (length > integerDigits)
                ++exponent;
            else if (length < integerDigits && !allZero(r.integer))
                --exponent;
            else
                break;
        }
    }
    std::string text = layout(p, r.integer, r.fraction);
    if (value < 0 && !(allZero(r.integer) && allZero(r.fraction)))
        text.insert(0, 1, '-');
    text += 'E';
    if (exponent < 0)
        text += '-';
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < p.minExponentDigits)
        digits.insert(0, static_cast<std::size_t>(p.minExponentDigits) - digits.size(), '0');
    return text + digits;
}

std::string trimBlanks(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

std::string formatNumber(double value, std::string_view pattern) {
    if (!std::isfinite(value))
        value = 0;
    const Picture p = parsePicture(pattern);
    return p.exponent ? formatScientific(value, p) : formatFixed(value, p);
}

std::string OneFig(double sd) {
    if (!std::isfinite(sd) || !(sd >= 1e-9))
        return "0.0000000";
    double m = 1;
    double y = sd;
    while (y < 1) {
        m *= 10;
        y = m * sd;
    }
    const double r = std::floor(y + 0.5) / m;
    static constexpr std::array<std::pair<double, const char*>, 6> bands{{
        {0.1, "###0.0"},
        {0.01, "###0.00"},
        {0.001, "###0.000"},
        {0.0001, "###0.0000"},
        {0.00001, "###0.00000"},
        {0.000001, "###0.000000"},
    }};
    const char* pattern = "###0.0000000";
    for (const auto& [bound, bandPattern] : bands) {
        if (r > bound) {
            pattern = bandPattern;
            break;
        }
    }
    return trimBlanks(formatNumber(r, pattern));
}

std::string formt(std::string_view text) {
    std::string pattern = "###0.";
    if (text.size() > 2)
        pattern.append(text.size() - 2, '0');
    return pattern;
}

std::string Padd(double value, std::string_view pattern, int width) {
    std::string text = trimBlanks(formatNumber(value, pattern));
    const auto n = static_cast<std::size_t>(std::max(width, 0));
    text.resize(n, ' ');
    return text;
}

std::string generalNumberText(double value) {
    const float single = std::isfinite(value) ? static_cast<float>(value) : 0.0f;
    if (single == 0.0f)
        return "0";
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), single,
                                std::chars_format::fixed);
    std::string text(buffer.data(), result.ptr);
    if (text.size() > 16) {
        result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), single,
                               std::chars_format::scientific);
        text.assign(buffer.data(), result.ptr);
        if (auto e = text.find('e'); e != std::string::npos)
            text[e] = 'E';
    }
    if (auto pos = text.find('.'); pos != std::string::npos)
        text[pos] = decimalSeparator();
    return text;
}

} // namespace core

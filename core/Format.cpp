#include "Format.h"

#include "Locale.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

/// The parsed picture. A program uses a handful of patterns over and over:
/// each thread keeps the last few it parsed, keyed by their text (at most 16
/// characters, compared as two words).
Picture pictureOf(std::string_view pattern) {
    struct Entry {
        std::array<std::uint64_t, 2> key{};
        std::size_t size = 0;
        Picture picture;
    };
    thread_local std::array<Entry, 16> cache{};
    thread_local std::size_t next = 0;
    std::array<std::uint64_t, 2> key{};
    if (pattern.size() > sizeof key)
        return parsePicture(pattern);
    std::memcpy(key.data(), pattern.data(), pattern.size());
    for (const Entry& e : cache)
        if (e.key[0] == key[0] && e.key[1] == key[1] && e.size == pattern.size())
            return e.picture;
    Entry& e = cache[next++ % cache.size()];
    e = {key, pattern.size(), parsePicture(pattern)};
    return e.picture;
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

/// n / 10^decimals and n % 10^decimals. Divisions by constants become
/// multiplications; one by a power read from a table would be a slow division.
void splitAtDecimals(std::uint64_t n, int decimals, std::uint64_t& quotient,
                     std::uint64_t& remainder) {
    const auto split = [&](std::uint64_t scale) {
        quotient = n / scale;
        remainder = n - quotient * scale;
    };
    switch (decimals) {
    case 0:
        split(1);
        break;
    case 1:
        split(10);
        break;
    case 2:
        split(100);
        break;
    case 3:
        split(1000);
        break;
    case 4:
        split(10000);
        break;
    case 5:
        split(100000);
        break;
    case 6:
        split(1000000);
        break;
    case 7:
        split(10000000);
        break;
    case 8:
        split(100000000);
        break;
    default:
        split(1000000000);
        break;
    }
}

/// Rounding in integers, exact for every double below 1e15 with at most nine
/// decimals: the value is m / 2^shift, so value * 10^decimals is the wide
/// integer m * 10^decimals shifted right, and the shifted-out bits are the
/// remainder that decides the rounding. Gives the integer part and the
/// fraction as the integer of its `decimals` digits.
bool roundInIntegers(double magnitude, int decimals, std::uint64_t& integer,
                     std::uint64_t& fraction) {
    if (decimals < 0 || decimals > 9 || !(magnitude < 1e15))
        return false;
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const auto biased = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
    if (biased > 0)
        mantissa |= std::uint64_t(1) << 52;
    const int shift = biased > 0 ? 1075 - biased : 1074; // at least 3, the value being below 2^50
    const std::uint64_t scale = kPowersOfTen[static_cast<std::size_t>(decimals)];
    const Wide scaled = Wide(mantissa) * scale; // below 2^83
    Wide units = 0;
    if (shift < 100) {
        units = scaled >> shift;
        const Wide remainder = scaled - (units << shift);
        if (remainder >= (Wide(1) << (shift - 1)))
            ++units;
    }
    if (units >> 64 == 0) { // nearly always: a narrow division is many times faster
        splitAtDecimals(static_cast<std::uint64_t>(units), decimals, integer, fraction);
    } else {
        integer = static_cast<std::uint64_t>(units / scale);
        fraction = static_cast<std::uint64_t>(units % scale);
    }
    return true;
}

Rounded roundMagnitude(double magnitude, int decimals) {
    std::uint64_t integer = 0, fraction = 0;
    if (roundInIntegers(magnitude, decimals, integer, fraction)) {
        std::string fractionDigits(static_cast<std::size_t>(decimals), '0');
        for (auto i = fractionDigits.size(); i > 0; fraction /= 10)
            fractionDigits[--i] = static_cast<char>('0' + fraction % 10);
        return {std::to_string(integer), fractionDigits};
    }
    // to_chars rounds to nearest with ties to even, which differs from rounding
    // halves away from zero only at an exact tie. One digit more shows whether
    // the value can be one (its last digit is then 5); only then is the exact
    // expansion needed.
    std::array<char, 400> buffer;
    const auto end = buffer.data() + buffer.size();
    auto probe =
        std::to_chars(buffer.data(), end, magnitude, std::chars_format::fixed, decimals + 1);
    if (probe.ec != std::errc() || probe.ptr[-1] == '5')
        return roundExactly(magnitude, decimals);
    auto result = std::to_chars(buffer.data(), end, magnitude, std::chars_format::fixed, decimals);
    return splitFixed(std::string_view(buffer.data(), result.ptr));
}

std::string_view withoutLeadingZeros(std::string_view digits) {
    return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
}

bool allZero(std::string_view digits) {
    return digits.find_first_not_of('0') == std::string_view::npos;
}

/// Sign, integer and fraction digits in the pattern's form: the sign only when
/// a digit shown is not zero.
std::string layout(const Picture& p, bool negative, std::string_view integer,
                   std::string_view fraction) {
    const bool zero = allZero(integer) && allZero(fraction);
    integer = withoutLeadingZeros(integer);
    const auto minDigits = static_cast<std::size_t>(p.minIntegerDigits);
    const std::size_t padding = minDigits > integer.size() ? minDigits - integer.size() : 0;
    std::size_t keep = fraction.size();
    while (keep > static_cast<std::size_t>(p.requiredDecimals) && fraction[keep - 1] == '0')
        --keep;
    std::string text;
    text.reserve(2 + padding + integer.size() + keep);
    if (negative && !zero)
        text += '-';
    text.append(padding, '0');
    text += integer;
    if (p.point) {
        text += decimalSeparator();
        text += fraction.substr(0, keep);
    }
    return text;
}

std::string formatFixed(double value, const Picture& p) {
    const double magnitude = std::fabs(value);
    std::uint64_t integer = 0, fraction = 0;
    if (p.minIntegerDigits > 20 || !roundInIntegers(magnitude, p.decimals, integer, fraction)) {
        const Rounded r = roundMagnitude(magnitude, p.decimals);
        return layout(p, value < 0, r.integer, r.fraction);
    }
    // The common case: the digits go straight into the text.
    std::array<char, 64> text;
    char* out = text.data();
    if (value < 0 && (integer != 0 || fraction != 0))
        *out++ = '-';
    std::array<char, 20> digits;
    const char* digitsEnd =
        integer == 0 ? digits.data()
                     : std::to_chars(digits.data(), digits.data() + digits.size(), integer).ptr;
    const auto count = static_cast<int>(digitsEnd - digits.data());
    for (int i = count; i < p.minIntegerDigits; ++i)
        *out++ = '0';
    std::memcpy(out, digits.data(), digits.size()); // whole: a fixed copy is the fastest
    out += count;
    if (p.point) {
        *out++ = decimalSeparator();
        int decimals = p.decimals;
        for (; decimals > p.requiredDecimals && fraction % 10 == 0; --decimals)
            fraction /= 10;
        // Exactly `decimals` digits, leading zeros included: two at a time.
        static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                         "25262728293031323334353637383940414243444546474849"
                                         "50515253545556575859606162636465666768697071727374"
                                         "75767778798081828384858687888990919293949596979899";
        int i = decimals;
        for (; i >= 2; i -= 2, fraction /= 100)
            std::memcpy(out + i - 2, kPairs + 2 * (fraction % 100), 2);
        if (i == 1)
            out[0] = static_cast<char>('0' + fraction % 10);
        out += decimals;
    }
    return std::string(text.data(), out);
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
            const int length = static_cast<int>(withoutLeadingZeros(r.integer).size());
            if (length > integerDigits)
                ++exponent;
            else if (length < integerDigits && !allZero(r.integer))
                --exponent;
            else
                break;
        }
    }
    std::string text = layout(p, value < 0, r.integer, r.fraction);
    text += 'E';
    if (exponent < 0)
        text += '-';
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < p.minExponentDigits)
        digits.insert(0, static_cast<std::size_t>(p.minExponentDigits) - digits.size(), '0');
    return text + digits;
}

std::string trimBlanks(std::string text) {
    if (text.empty() || (text.front() != ' ' && text.back() != ' '))
        return text;
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, first);
    return text;
}

} // namespace

std::string formatNumber(double value, std::string_view pattern) {
    if (!std::isfinite(value))
        value = 0;
    const Picture p = pictureOf(pattern);
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

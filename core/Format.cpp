#include "Format.h"

#include "Locale.h"

#include <array>
#include <charconv>
#include <cmath>
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

Rounded roundMagnitude(double magnitude, int decimals) {
    // The exact decimal expansion of a double has at most (53 - exponent)
    // fraction digits; printing that many shows every digit, so the first
    // dropped digit decides the rounding exactly.
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const int precision = std::max(decimals + 1, 53 - exponent);
    std::string buffer(static_cast<std::size_t>(precision) + 400, '\0');
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                std::chars_format::fixed, precision);
    buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));

    const std::size_t pointPos = buffer.find('.');
    std::string digits = buffer.substr(0, pointPos) + buffer.substr(pointPos + 1);
    const std::size_t integerLength = pointPos;
    const std::size_t keep = integerLength + static_cast<std::size_t>(decimals);
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
        std::size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
            if (i == 0) {
                digits.insert(digits.begin(), '1');
                return {digits.substr(0, integerLength + 1), digits.substr(integerLength + 1)};
            }
        }
    }
    return {digits.substr(0, integerLength), digits.substr(integerLength)};
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

#include "ShortestNumber.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dragonbox/dragonbox.h>

namespace cli {

namespace {

constexpr char kPairs[] = "000102030405060708091011121314151617181920212223242526272829303132333435"
                          "363738394041424344454647484950515253545556575859606162636465666768697071"
                          "72737475767778798081828384858687888990919293949596979899";

/// The smallest value from which a Float no longer holds every integer: from
/// there on the plain form of std::to_chars shows the value's exact digits.
constexpr double exactIntegersEnd(double) {
    return 9007199254740992.0; // 2^53
}
constexpr float exactIntegersEnd(float) {
    return 16777216.0f; // 2^24
}

constexpr std::uint64_t kPowers[] = {1ULL,
                                     10ULL,
                                     100ULL,
                                     1000ULL,
                                     10000ULL,
                                     100000ULL,
                                     1000000ULL,
                                     10000000ULL,
                                     100000000ULL,
                                     1000000000ULL,
                                     10000000000ULL,
                                     100000000000ULL,
                                     1000000000000ULL,
                                     10000000000000ULL,
                                     100000000000000ULL,
                                     1000000000000000ULL,
                                     10000000000000000ULL,
                                     100000000000000000ULL,
                                     1000000000000000000ULL,
                                     10000000000000000000ULL};

/// The number of decimal digits of n (at most 19, as a significand has): the
/// binary length times log10(2) is that or one less.
int digitCount(std::uint64_t n) {
    const int guess = (std::bit_width(n | 1) * 1233) >> 12;
    return guess + (n >= kPowers[guess] ? 1 : 0);
}

/// Writes exactly `count` digits of n (below 10^count), leading zeros included,
/// ending at `end`: two at a time, in 32-bit arithmetic where it fits.
void writeDigits(char* end, std::uint64_t n, int count) {
    while (count > 8) { // eight digits off a wide number with one division
        auto low = static_cast<std::uint32_t>(n % 100000000);
        n /= 100000000;
        for (int k = 0; k < 4; ++k, low /= 100) {
            end -= 2;
            std::memcpy(end, kPairs + 2 * (low % 100), 2);
        }
        count -= 8;
    }
    auto rest = static_cast<std::uint32_t>(n);
    for (; count >= 2; count -= 2, rest /= 100) {
        end -= 2;
        std::memcpy(end, kPairs + 2 * (rest % 100), 2);
    }
    if (count == 1)
        end[-1] = static_cast<char>('0' + rest);
}

/// "e", the sign, and at least two digits, as printf's %e writes them.
char* writeExponent(char* out, int exponent) {
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    const int count = magnitude >= 100 ? 3 : 2;
    writeDigits(out + count, static_cast<std::uint64_t>(magnitude), count);
    return out + count;
}

char* fill(char* out, char c, int count) {
    std::memset(out, c, static_cast<std::size_t>(count));
    return out + count;
}

template <class Float> char* shortest(char* out, Float value) {
    char* const start = out;
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (value == 0) {
        *out++ = '0';
        return out;
    }
    namespace policy = jkj::dragonbox::policy;
    const auto decimal =
        jkj::dragonbox::to_decimal(value, policy::sign::ignore, policy::trailing_zero::remove);
    const std::uint64_t digits = decimal.significand;
    const int n = digitCount(digits);
    const int e = decimal.exponent; // value = digits * 10^e
    const int point = n + e;        // digits before the decimal point in the plain form
    const int exponent = point - 1; // of the form with an exponent
    const int withExponent = n + (n > 1 ? 1 : 0) + 2 + (std::abs(exponent) >= 100 ? 3 : 2);
    const int plain = e >= 0 ? point : (point > 0 ? n + 1 : 2 - e);
    if (plain > withExponent) {
        // d.ddd: the digits one place on, then the first moved before the point.
        writeDigits(out + 1 + n, digits, n);
        out[0] = out[1];
        if (n > 1)
            out[1] = '.';
        return writeExponent(out + (n > 1 ? n + 1 : 1), exponent);
    }
    if (e >= 0) {
        if (value >= exactIntegersEnd(value))
            return std::to_chars(out, start + kShortestTextSize, value).ptr;
        writeDigits(out + n, digits, n);
        return fill(out + n, '0', e);
    }
    if (point > 0) {
        // All digits one place on, then the integer ones back before the point
        // (cheaper than splitting the number with a division).
        writeDigits(out + n + 1, digits, n);
        for (int i = 0; i < point; ++i)
            out[i] = out[i + 1];
        out[point] = '.';
        return out + n + 1;
    }
    *out++ = '0';
    *out++ = '.';
    out = fill(out, '0', -point);
    writeDigits(out + n, digits, n);
    return out + n;
}

} // namespace

char* writeShortest(char* out, double value) {
    return shortest(out, value);
}

char* writeShortest(char* out, float value) {
    return shortest(out, value);
}

} // namespace cli

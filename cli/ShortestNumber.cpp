#include "ShortestNumber.h"

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

/// The decimal digits of n, most significant first; returns their count.
int writeDigits(char* out, std::uint64_t n) {
    char buffer[20];
    char* const end = buffer + sizeof buffer;
    char* p = end;
    while (n >= 100) {
        const std::uint64_t pair = n % 100;
        n /= 100;
        p -= 2;
        std::memcpy(p, kPairs + 2 * pair, 2);
    }
    if (n >= 10) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * n, 2);
    } else {
        *--p = static_cast<char>('0' + n);
    }
    const auto count = static_cast<int>(end - p);
    std::memcpy(out, p, static_cast<std::size_t>(count));
    return count;
}

/// "e", the sign, and at least two digits, as printf's %e writes them.
char* writeExponent(char* out, int exponent) {
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    unsigned magnitude = static_cast<unsigned>(std::abs(exponent));
    if (magnitude >= 100) {
        *out++ = static_cast<char>('0' + magnitude / 100);
        magnitude %= 100;
    }
    std::memcpy(out, kPairs + 2 * magnitude, 2);
    return out + 2;
}

char* copy(char* out, const char* text, int count) {
    std::memcpy(out, text, static_cast<std::size_t>(count));
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
    char digits[20];
    const int n = writeDigits(digits, decimal.significand);
    const int e = decimal.exponent; // value = digits * 10^e
    const int point = n + e;        // digits before the decimal point in the plain form
    const int exponent = point - 1; // of the form with an exponent
    const int withExponent = n + (n > 1 ? 1 : 0) + 2 + (std::abs(exponent) >= 100 ? 3 : 2);
    const int plain = e >= 0 ? point : (point > 0 ? n + 1 : 2 - e);
    if (plain > withExponent) {
        *out++ = digits[0];
        if (n > 1) {
            *out++ = '.';
            out = copy(out, digits + 1, n - 1);
        }
        return writeExponent(out, exponent);
    }
    if (e >= 0) {
        if (value >= exactIntegersEnd(value))
            return std::to_chars(out, start + kShortestTextSize, value).ptr;
        return fill(copy(out, digits, n), '0', e);
    }
    if (point > 0) {
        out = copy(out, digits, point);
        *out++ = '.';
        return copy(out, digits + point, n - point);
    }
    *out++ = '0';
    *out++ = '.';
    return copy(fill(out, '0', -point), digits, n);
}

} // namespace

char* writeShortest(char* out, double value) {
    return shortest(out, value);
}

char* writeShortest(char* out, float value) {
    return shortest(out, value);
}

} // namespace cli

#pragma once

#include <string>
#include <string_view>

namespace core {

/// Formats a number with a picture pattern of "0", "#" and ".":
///  - "0" a digit always shown, "#" a digit left out when it would be a leading
///    zero (before the point) or a trailing zero (after the point);
///  - "." the decimal separator, shown as the locale's (decimalSeparator());
///  - an optional exponent part "E-0" or "E-00" (as in "0.0E-0"): the value is
///    scaled to the mantissa digits and the exponent written with at least as
///    many digits as zeros, with a sign only when it is negative.
/// The value is rounded to the number of digit places after the point, exact
/// halves away from zero (0.125 with two places gives 0.13). The integer part
/// is never cut. A value that rounds to zero shows no minus sign. A pattern that
/// ends in the point shows the rounded integer followed by the separator.
/// A value that is not finite gives "0" in the pattern's form (callers never
/// pass one; nothing that shows "nan" or "inf" can come out).
std::string formatNumber(double value, std::string_view pattern);

/// A standard deviation as text rounded to one significant figure, with as many
/// decimals as that figure needs: 0.0234 gives "0.02", 0.096 "0.10", 123.4 "123.0".
/// A value below 1e-9, zero, negative or not finite gives "0.0000000"; a
/// one-figure value of 0.0000001 or below takes the pattern "###0.0000000".
std::string OneFig(double sd);

/// The pattern with which a value is shown beside the OneFig text of its
/// deviation: "###0." followed by (length of text - 2) zeros ("0.02" gives
/// "###0.00", "12.0" gives "###0.00", "12" and "" give "###0.").
std::string formt(std::string_view text);

/// The value formatted with the pattern, left-aligned in a field of exactly
/// width characters: padded with blanks on the right or cut on the right.
std::string Padd(double value, std::string_view pattern, int width);

/// The shortest decimal text that reads back to the same single-precision value
/// (0.1 gives "0.1", 12.345 gives "12.345"), with the locale's separator and no
/// exponent unless the plain form would be unreasonably long.
std::string generalNumberText(double value);

} // namespace core

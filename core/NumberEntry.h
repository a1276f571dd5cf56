#pragma once

#include "MessageSink.h"

#include <string>
#include <string_view>

namespace core {

/// The text with its first decimal mark changed to the locale's separator: with
/// a decimal comma the first "." becomes ",", otherwise the first "," becomes ".".
std::string FixDecimalSeparator(std::string_view s);

/// The one conversion of typed or stored text to a number. Accepts a decimal
/// point or a decimal comma whatever the locale.
///
/// 1. The text after FixDecimalSeparator, when it is a whole number: optional
///    blanks, optional sign, digits with an optional separator (at least one
///    digit), optional exponent (E or e, optional sign, digits), optional blanks.
///    The result is reduced to single precision and returned widened to double.
/// 2. Otherwise the leading number of the text as typed, "." as separator, read
///    after leading blanks up to the first character that cannot continue it,
///    as a double ("13.97 pK" gives 13.97, not its nearest single; "12 ml"
///    gives 12); 0 when there is none ("abc" and "" give 0).
/// A magnitude beyond the single-precision maximum, in either step, sends
/// "invalid entry for number" to the sink and gives 0. Underflow rounds silently.
double TextToNumber(std::string_view s, MessageSink& sink);

/// Whether TextToNumber finds a number in the text, whole or leading; false
/// when it gives 0 for want of one ("abc", "", "-").
bool hasNumber(std::string_view s);

/// The message TextToNumber sends for a number out of range.
inline constexpr std::string_view kInvalidNumberMessage = "invalid entry for number";

} // namespace core

#pragma once

#include "ImportProfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// The fields of a line split at the separator, without blanks around them
/// and without the quotes a spreadsheet puts around text.
std::vector<std::string> splitFields(std::string_view line, Separator separator);

/// The separator that splits the sample lines best: the one that gives the
/// most fields of numbers and the fewest fields of digits that are not one
/// number (a title line's comma does not outweigh the blanks of the data);
/// ties in the order tab, semicolon, comma, blanks.
Separator findSeparator(const std::vector<std::string_view>& sample);

/// "tab", "semicolon", "comma", "blank".
std::string separatorName(Separator separator);

/// Whether the field is one number written with the decimal mark: optional
/// sign, digits with at most one mark (at least one digit), optional exponent.
bool isNumberField(std::string_view s, char mark);

/// A field that would be a number with the other decimal mark or without digit
/// grouping ("1.000,5"): a number the reader must not pass over silently.
bool isOddNumber(std::string_view s, char mark);

/// A field that holds no value: empty, NaN, infinity, "n/a", "-".
bool isMissingValue(std::string_view s);

/// A number field read, times 10 to the power `shift`, which is applied to the
/// decimal exponent of its text so that 0.227315 V gives exactly what 227.315 mV
/// would. `outOfRange` is set (and nothing returned) when the number is beyond
/// the single-precision range.
std::optional<double> fieldNumber(std::string_view field, char mark, int shift, bool& outOfRange);

/// Why the bytes are not a text file ("gzip compressed?"); nothing for a text.
/// An empty reason: not a text file, for no known kind.
std::optional<std::string> notTextReason(std::string_view bytes);

/// A field of a foreign file as a message quotes it: in quotes, control
/// characters as "?", a long field cut short.
std::string quotedField(std::string_view field);

} // namespace io

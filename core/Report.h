#pragma once

#include "Titration.h"

#include <string>
#include <string_view>

namespace core {

/// The results report as text: the header, the conditions, the result captions
/// as they stand, the Gran results and one line per point (observed emf, the
/// emf calculated afresh with the current parameters, their difference and the
/// point's pH; "not used" after an ignored point). Every line, the last one too,
/// ends in lineEnd: a carriage return for the clipboard, a line feed for a
/// terminal. dataPath follows "Data from ", dateText follows "Produced at ".
std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd);

} // namespace core

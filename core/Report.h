#pragma once

#include "Titration.h"
#include "Verdict.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// The sensitivity line: how far E0 moves for each changed input.
std::string sensitivityText(const E0Sensitivity& sensitivity);

/// The caption of a refined Gamma wherever it is shown.
inline constexpr const char* kGammaCaption = "Gamma (titrant factor)";

/// The results report as text: the header, the conditions, the result captions
/// as they stand, the Gran results and one line per point (observed emf, the
/// emf calculated afresh with the current parameters, their difference and the
/// point's pH; "not used" after an ignored point). Every line, the last one too,
/// ends in lineEnd: a carriage return for the clipboard, a line feed for a
/// terminal. dataPath follows "Data from ", dateText follows "Produced at ".
std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd);

/// The same with a section of lines (the uncertainty section) between the Gran
/// plot results and the point table, followed by an empty line.
std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd, const std::vector<std::string>& section);

/// One item of a printed line: its text and where it starts.
struct PrintItem {
    int column = 0; ///< character column (1 the left margin); 0: right after the item before
    std::string text;
    bool operator==(const PrintItem&) const = default;
};
using PrintLine = std::vector<PrintItem>;

/// The printed report: the same header and results as the report above (with
/// neither the titration ID nor the "Produced at " caption), then a table of
/// every point with its items at tab columns. The observed emf, the calculated
/// emf and their difference start one column to the left when their value is
/// not positive (the observed emf by the sign of the calculated one), so that
/// the digits stand in the same columns and the minus sign in front. Volumes are
/// in their shortest form (16.05, not 16.049999).
std::vector<PrintLine> printedReport(const Titration& t, std::string_view dataPath,
                                     std::string_view dateText);

/// The lines that close a report kept on paper or in a file: an empty line, the
/// verdict with its reasons, the operator and the program version.
std::vector<std::string> closingLines(const std::optional<Verdict>& verdict,
                                      std::string_view operatorName,
                                      std::string_view programVersion);

} // namespace core

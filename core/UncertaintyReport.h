#pragma once

#include "MonteCarlo.h"
#include "UncertaintyBudget.h"

#include <string>
#include <vector>

namespace core {

/// The heading of the report's uncertainty section.
inline constexpr const char* kUncertaintyHeading = "Uncertainty (k = 2)";

/// A number to so many significant digits, in plain form where that is short
/// ("0.00053", "1.05", "410"), else with an exponent ("1.2E-07").
std::string significantText(double value, int digits);

/// A result's value, u, U and its interval, each to the decimals of u's second
/// significant digit: "409.33 mV, u 0.53 mV, U 1.05 mV: 408.28 to 410.38 mV".
std::string resultUncertaintyText(const ResultUncertainty& r);

/// The words of the supplement's check: "GUM and Monte Carlo agree", or
/// "GUM and Monte Carlo differ (E0, slope): use the Monte Carlo interval", or
/// why the Monte Carlo result cannot check anything.
std::string agreementText(const MonteCarloResult& mc);

/// The report's uncertainty section, one text per line: the method, the
/// inputs' standard uncertainties (defaults and what is not an input said),
/// each result's budget (u, sensitivity coefficient, contribution and share of
/// every input) and, when one was run, the Monte Carlo figures and the check
/// of the GUM against them. Lines for a monospaced font.
std::vector<std::string> uncertaintyLines(const UncertaintyBudget& budget,
                                          const MonteCarloResult* monteCarlo);

/// The unit of a sensitivity coefficient: "mV/ml", "mV/(mol dm-3)", "mV".
std::string sensitivityUnit(UncertainResult result, UncertaintyInput input);

/// An input's stated uncertainty as the budget shows it: "0.02 ml", "0.1 %
/// (0.00002 mol dm-3)", "0.039 mV"; or a dash with why it is not an input.
std::string inputUncertaintyText(const AppliedUncertainty& applied);

} // namespace core

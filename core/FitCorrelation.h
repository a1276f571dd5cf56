#pragma once

#include "Titration.h"

#include <optional>
#include <string>
#include <vector>

namespace core {

/// Above this correlation two refined parameters cannot be told apart: the data
/// determine little more than one combination of them (each deviation is then
/// 70 times or more what it would be with the other held).
inline constexpr double kIndistinctCorrelation = 0.9999;

/// The standard uncertainty of a pKw that is held, not refined: what the E0-pKw
/// warning compares a refined pKw with (the uncertainty budget's default too).
inline constexpr double kHeldPKwUncertainty = 0.02;
/// E0 and a refined pKw cannot be told apart when refining pKw makes the
/// deviation of E0 this many times what it would be with pKw held at its value
/// +- kHeldPKwUncertainty.
inline constexpr double kPKwInflation = 3;
inline constexpr const char* kPKwIndistinct = "E0 and pKw cannot be told apart with these ranges";

/// How many times the deviation of E0 with pKw refined is the deviation with
/// pKw held at +- kHeldPKwUncertainty: 1 / sqrt(1 - r^2 + r^2 u^2 / sd(pKw)^2),
/// r their correlation. Empty unless both are refined.
std::optional<double> pKwInflation(const ResultValues& results);

/// The warnings on the refined parameters of a converging refinement that the
/// data cannot tell apart, each with the range to widen: E0 and pKw by
/// pKwInflation, any other pair by kIndistinctCorrelation.
std::vector<std::string> correlationWarnings(const ResultValues& results, Branch branch);

} // namespace core

#pragma once

#include "CalculationState.h"

#include <string>

namespace core {

/// The acid branch of the Gran plots ends, and the alkali branch begins, at this pH.
inline constexpr double kGranBranchPH = 7;
/// Used points a Gran line of the two-branch fit needs.
inline constexpr int kGranFitPoints = 3;

/// First estimate of E0 from a Gran line through the used points below pH
/// pKw / 2, made with the slope in state.model.Param[1]. Copies the titrand and
/// initial volume and the titrand concentration into the model and leaves the
/// acid line's coefficients. Returns the message that stops the command, or an
/// empty text when E0 holds the estimate.
[[nodiscard]] std::string Gran0(CalculationState& state, double& E0);

/// Gran lines through the used points of both branches (from GranValue and
/// PointPH): end-points with their deviations, EndPointRatio, the protolytic
/// impurity level, the mean alkali concentration, every point's GranResid and
/// the Gran captions. Returns the message that stops the command, or an empty
/// text when all of it was written.
[[nodiscard]] std::string GranFit(CalculationState& state);

/// The Gran function of every point from the current parameters: PointPH from
/// the observed emf, GranValue of the branch that pH puts the point in.
/// Returns the message that stops the command, or an empty text.
[[nodiscard]] std::string setGranValues(CalculationState& state);

} // namespace core

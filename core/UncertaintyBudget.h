#pragma once

#include "MeasurementModel.h"
#include "UncertaintyInputs.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The uncertainty evaluation of a calibration, for the command line and the window alike:
//
//   const core::MeasurementModel model(loaded, core::RunFrom::Selection); // or as chosen by hand
//   core::UncertaintyBudget budget;
//   if (std::string error = core::evaluateBudget(model, stated, budget); !error.empty()) ...
//   core::MonteCarloOptions mc;          // on a worker thread: progress and cancel
//   mc.cancel = &cancelFlag;
//   mc.progress = [&](std::size_t done, std::size_t planned) { ... };
//   mc.keepValues = true;                // for histograms
//   const core::MonteCarloResult r = core::runMonteCarlo(model, budget, mc);
//   const std::vector<std::string> text = core::uncertaintyLines(budget, &r);
//
// `loaded` is the titration with its inputs (the boxes); its results are not read.

namespace core {

/// The coverage factor of the expanded uncertainties: about 95 % for a normal distribution.
inline constexpr double kCoverageFactor = 2;

/// One input's line in the budget of one result.
struct BudgetLine {
    UncertaintyInput input{};
    double u = 0;            ///< the input's standard uncertainty, in its unit (per reading)
    double sensitivity = 0;  ///< c: the change of the result per unit of the input
    double contribution = 0; ///< |c| u, in the result's unit
    double share = 0;        ///< of u(result) squared, %
};

/// The uncertainty of one result by the law of propagation of uncertainty.
struct ResultUncertainty {
    UncertainResult result{};
    double value = 0;
    double u = 0; ///< combined standard uncertainty
    double U = 0; ///< expanded, k u
    double k = kCoverageFactor;
    double low = 0, high = 0;      ///< value -+ U
    std::optional<double> fitSd;   ///< the fit's deviation with the end-points held (the "± sd")
    std::vector<BudgetLine> lines; ///< one per input that applies, in the inputs' order
};

/// The budget of a calibration: the inputs as used and each result's uncertainty.
struct UncertaintyBudget {
    std::array<AppliedUncertainty, kUncertaintyInputCount> inputs{};
    std::vector<ResultUncertainty> results; ///< those the calibration gives, in their order
    /// Per point: the u of its emf (0 for a point not used) and of its addition.
    std::vector<double> emfU, additionU;
    int calculations = 0;              ///< of the whole calibration, the central one included
    RunFrom from = RunFrom::Selection; ///< the model's: the points selected, or chosen by hand
    const ResultUncertainty* find(UncertainResult r) const;
};

/// The budget by the GUM's first-order law of propagation: each input (each
/// emf reading and each addition on its own) is changed by plus and minus its
/// standard uncertainty and the whole calibration calculated again, selection
/// included; the sensitivity coefficient is the central difference. A step of
/// a whole standard uncertainty averages the jump of a point entering or
/// leaving a range instead of differentiating it. For the emf readings and the
/// additions the line holds the root sum of squares of the single readings'
/// coefficients and contributions; they are independent, as are all inputs.
/// The values are the model's own calculation, the same as runCalibration's.
/// Some hundred calculations: milliseconds. Returns an empty text on success,
/// else why there is no budget (the calibration does not hold, or not for a
/// change of an input by its uncertainty).
[[nodiscard]] std::string evaluateBudget(const MeasurementModel& model,
                                         const UncertaintyInputs& stated,
                                         UncertaintyBudget& budget);

} // namespace core

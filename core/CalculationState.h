#pragma once

#include "ElectrodeModel.h"
#include "MessageSink.h"
#include "Titration.h"

#include <array>
#include <string>
#include <vector>

namespace core {

/// The input boxes the calculation reads, each converted once per command.
struct CalculationInputs {
    double Gamma = 1;    ///< GammaBox
    double celsius = 25; ///< Tbox
    double pKw = 14;     ///< pKbox
    bool RefineGamma = false;
    bool RefinePKw = false;
    Branch branch = Branch::Both;
    bool RefineAcidSlope = false;
    /// The slope factor a slope that is not refined (the acid branch alone) is
    /// held at: 1, the Nernst slope, except where the uncertainty evaluation
    /// varies it.
    double heldSlopeFactor = 1;
    /// The converging refinement ends at the first damped step that fails once the
    /// gradient is within rounding, instead of searching on through ever smaller
    /// steps for a sum of squares lower by rounding alone: the parameters then
    /// agree to some 1e-10. For the trials of the Monte Carlo evaluation, a third faster.
    bool stopAtRoundingFloor = false;
    /// Whether the slope is held rather than refined.
    bool slopeHeld() const { return branch == Branch::Acid && !RefineAcidSlope; }
};

/// The slope a calculation starts from, mV: the Nernst slope at the
/// temperature, times heldSlopeFactor where the slope is held.
inline double startSlope(const CalculationInputs& in) {
    return TheoreticalSlope(in.celsius) * (in.slopeHeld() ? in.heldSlopeFactor : 1.0);
}

/// Converts GammaBox, Tbox and pKbox (a bad box sends one message each).
CalculationInputs readCalculationInputs(const Inputs& inputs, MessageSink& sink);

/// The numbers of the four conditions.
struct ConditionValues {
    double titrandVolume = 0;     ///< v0, ml
    double electrolyteVolume = 0; ///< v1, ml
    double titrandConc = 0;       ///< Initial
    double buretteConc = 0;       ///< Burette
};

/// Everything one calculation reads and writes, taken from the titration at the
/// start of the command. The command works on this copy and stores it back only
/// when it completes, so a command that stops leaves the titration as it was.
struct CalculationState {
    CalculationState(const Titration& t, const CalculationInputs& inputs);

    // Read only during the calculation.
    PointColumns points;
    ConditionValues conditions;
    CalculationInputs inputs;

    // What the calculation derives.
    ElectrodeModel model; ///< parameters, Gamma, EndPointRatio and the model's condition copies
    std::array<double, 3> ParamSD;
    double AcidIntercept, AcidGradient;
    double AlkaliIntercept, AlkaliGradient;
    std::vector<double> PointPH, GranValue, GranResid, Resid;
    ResultCaptions captions;
    ResultValues results;
    std::string GammaBox; ///< the refined Gamma's text once it converged

    // Which results changed; showCaptions turns those into their texts once.
    bool refinementConverged = false; ///< E0, slope, deviations, rms (and a refined Gamma)
    bool iterationsCounted = false;   ///< the iteration count of the last refinement
    bool granFitted = false;          ///< end-points, impurity level, alkali concentration

    LinearTerms terms; ///< the refinement's work columns while Gamma is held

    /// Formats the captions of the results that changed (each value with the
    /// decimals of its deviation) and clears the flags.
    void showCaptions();

    /// Writes the derived values into the titration.
    void storeIn(Titration& t);
};

} // namespace core

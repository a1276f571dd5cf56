#pragma once

#include "Calculation.h"
#include "MessageSink.h"
#include "Selection.h"
#include "Titration.h"
#include "Verdict.h"

#include <optional>
#include <vector>

namespace core {

/// The end-point ratio of a titration just read from its file. Every
/// calculation starts from it, so the same points and boxes always give the
/// same numbers, in the window and on the command line alike.
inline constexpr double kFreshEndPointRatio = 1;

/// Where a run starts on the road of a loaded titration.
enum class RunFrom {
    Selection,   ///< the points are selected by the pH ranges first (a load, new ranges)
    Calculation, ///< the points as they are (switched or corrected by hand, new pKw or T)
};

/// What a run asks for beyond the calculation.
struct RunOptions {
    RunFrom from = RunFrom::Selection;
    bool sensitivity = false; ///< how far E0 moves for small changes of the conditions
};

/// Where the calculation started: what a record must hold to be calculated again.
struct RunStart {
    std::vector<double> pointPH; ///< each point's pH before the calculation
    double endPointRatio = kFreshEndPointRatio;
};

/// What a run did to the titration.
struct CalibrationRun {
    bool selected = false; ///< the selection was made (or not asked for)
    CalculationOutcome outcome = CalculationOutcome::Stopped;
    std::optional<Verdict> verdict; ///< on a calibration whose refinements converged
    RunStart start;
    /// The calculation ran to its end, converged or not: its results are on show.
    bool calculated() const { return outcome != CalculationOutcome::Stopped; }
    bool calibrated() const { return outcome == CalculationOutcome::Calibrated; }
};

/// The one road from a loaded titration to its verdict: select (when asked),
/// start from the fresh end-point ratio, calculate, judge. A stopped selection
/// or calculation clears the results, the captions and the verdict, so that
/// nothing reports the numbers of other points or boxes.
[[nodiscard]] CalibrationRun runCalibration(Titration& t, const VerdictLimits& limits,
                                            MessageSink& sink, const RunOptions& options = {});

/// The boxes a run reads, converted.
struct RunInputs {
    SelectionInputs selection; ///< read only when the run selects
    CalculationInputs calculation;
};

/// What selectAndCalculate is asked beyond the calculation.
struct SelectionOptions {
    bool keepSelected = false; ///< keep a copy of the titration as selected for its last round
    /// Select on this titration's conditions and volumes, not on those calculated:
    /// the uncertainty evaluation changes the conditions and volumes the
    /// calculation reads, not the selection that was made from them.
    const Titration* selectOn = nullptr;
};

/// Selects with the inputs unless the run starts from the calculation, then
/// calculates from the fresh end-point ratio. With pKw refined the points are
/// selected again with the refined pKw and calculated again (from the same
/// start), until the refined pKw selects the points it came from; a selection
/// that does not settle is said in a message. Only the last round's messages
/// reach the sink. This is what runCalibration does after reading the boxes;
/// the uncertainty evaluation runs it on changed inputs.
struct SelectedCalculation {
    bool selected = false;
    CalculationOutcome outcome = CalculationOutcome::Stopped;
    RunStart start;                      ///< of the last round
    std::optional<Titration> asSelected; ///< the titration before its last calculation, when asked
};
SelectedCalculation selectAndCalculate(Titration& t, const RunInputs& inputs, RunFrom from,
                                       MessageSink& sink, const SelectionOptions& options = {});

/// Rounds of selection and calculation a refined pKw may take to settle.
inline constexpr int kSelectionRounds = 8;

} // namespace core

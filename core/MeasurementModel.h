#pragma once

#include "CalibrationRun.h"
#include "Titration.h"
#include "UncertaintyInputs.h"

#include <array>
#include <optional>
#include <vector>

namespace core {

/// The results whose uncertainty is evaluated.
enum class UncertainResult {
    E0,
    Slope,
    SlopeFactor,
    Gamma, ///< refined only
    PKw,   ///< refined only
    AcidEndPoint,
    AlkaliEndPoint, ///< both branches only
    EndPointRatio,  ///< both branches only
    Impurity,       ///< both branches only, %
    AlkaliConc,
};
inline constexpr int kUncertainResultCount = 10;

/// What the program says about a result.
struct ResultDescription {
    const char* json; ///< its name in JSON, as in the results object
    const char* name; ///< its name in the budget
    const char* unit; ///< empty for a number without unit
};
const ResultDescription& describe(UncertainResult result);

/// One value per result (UncertainResult as the index).
using ResultVector = std::array<double, kUncertainResultCount>;

/// Changes of the inputs from their values as stated, each in its unit; zero
/// (or empty) leaves the input as it is. The emf and the additions change per
/// point: addition[i] is the error of the addition that ends at point i, which
/// stays in every later burette reading.
struct InputChanges {
    std::array<double, kUncertaintyInputCount> scalar{}; ///< by UncertaintyInput
    std::vector<double> emf;
    std::vector<double> addition;
    double& operator[](UncertaintyInput input) { return scalar[static_cast<std::size_t>(input)]; }
    double operator[](UncertaintyInput input) const {
        return scalar[static_cast<std::size_t>(input)];
    }
};

/// How a calculation of changed inputs ended.
enum class TrialEnding { Calibrated, NotConverged, Stopped };

/// What one thread needs to calculate the model again and again.
struct ModelWorkspace {
    Titration titration;
};

/// The measurement model: the whole calibration from the loaded titration,
/// selection included (unless the points were chosen by hand), with a refined
/// pKw's selection again, as runCalibration makes it. Calculating it is safe in
/// several threads at once, each with a workspace of its own.
class MeasurementModel {
public:
    /// The model of a titration as loaded (or as chosen by hand, from
    /// RunFrom::Calculation), its boxes converted once. The titration's texts
    /// per point are not needed and not kept.
    MeasurementModel(const Titration& loaded, RunFrom from);

    /// Which results the calibration gives in its mode (Gamma and pKw when
    /// refined, the alkali results with both branches).
    const std::array<bool, kUncertainResultCount>& gives() const { return m_gives; }
    std::size_t pointCount() const { return m_start.points.size(); }
    RunFrom from() const { return m_from; }

    /// A workspace for one thread.
    ModelWorkspace workspace() const { return {m_start}; }

    /// How closely a calculation seeks the least-squares optimum.
    enum class Precision {
        Exact, ///< as runCalibration does, to the last bit
        Trial, ///< stopping at the rounding floor (CalculationInputs::stopAtRoundingFloor)
    };

    /// The results with the inputs changed; the titration calculated is left
    /// in the workspace. Results the mode does not give are 0. The
    /// calculation's messages go to the sink when one is given.
    TrialEnding evaluate(const InputChanges& changes, ModelWorkspace& workspace,
                         ResultVector& results, MessageSink* sink = nullptr,
                         Precision precision = Precision::Exact) const;

private:
    Titration m_start;
    RunFrom m_from;
    RunInputs m_inputs;
    std::array<bool, kUncertainResultCount> m_gives{};
};

/// The results of a calculated titration as a vector (0 where not given).
ResultVector resultVector(const Titration& calculated);

} // namespace core

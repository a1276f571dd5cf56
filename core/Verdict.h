#pragma once

#include "Calculation.h"
#include "Titration.h"

#include <optional>
#include <string>
#include <vector>

namespace core {

/// What an electrode must meet to be fit for use. Every limit is inclusive.
struct VerdictLimits {
    double slopeFactorMin = 0.95;
    double slopeFactorMax = 1.05;
    double rmsMax = 1.0;             ///< mV
    double impurityMax = 2.0;        ///< protolytic impurity level, %
    double alkaliDeviationMax = 2.0; ///< of the mean alkali concentration from the burette's, %
    // The floor of the impurity level and the E0 window (off unless set).
    double impurityMin = -0.5;              ///< below it the carbonate is negative, %
    std::optional<double> e0Min{}, e0Max{}; ///< mV
    bool operator==(const VerdictLimits&) const = default;
};

/// The verdict on a calibration: fit for use when there is no reason against it.
struct Verdict {
    std::vector<std::string> reasons; ///< short sentences, e.g. "slope factor 0.9412 is below 0.95"
    bool ok() const { return reasons.empty(); }
    bool operator==(const Verdict&) const = default;
};

/// The verdict on the results of a calculation; none when the calculation did
/// not converge or was stopped. buretteConc is the stated burette concentration
/// (signed, like the mean alkali concentration it is compared with). A missing
/// or non-finite value is a reason of its own.
std::optional<Verdict> judgeCalibration(CalculationOutcome outcome, const ResultValues& results,
                                        double buretteConc, const VerdictLimits& limits);

/// The same for a calculated titration, against its stated burette concentration.
std::optional<Verdict> judgeCalibration(CalculationOutcome outcome, const Titration& t,
                                        const VerdictLimits& limits);

/// What is wrong with the limits ("the lower slope factor limit is above the
/// upper one"); empty when they can be used. Every limit must be finite, each
/// minimum at most its maximum, the rms limit above zero.
std::string limitsProblem(const VerdictLimits& limits);

/// The reason that starts the verdict against a negative impurity level.
inline constexpr const char* kNegativeCarbonateReason = "negative carbonate";

/// The verdict as one line: "electrode OK", or "check electrode: " followed by
/// the reasons separated by "; ".
std::string verdictText(const Verdict& verdict);

inline constexpr const char* kElectrodeOk = "electrode OK";
inline constexpr const char* kCheckElectrode = "check electrode:";

} // namespace core

#include "Verdict.h"

#include "Format.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

/// A value that differs from its limit only in the last bits of a double is at the limit.
double tolerance(double limit) {
    return 1e-9 * std::max(1.0, std::fabs(limit));
}

bool above(double value, double limit) {
    return value > limit + tolerance(limit);
}

bool below(double value, double limit) {
    return value < limit - tolerance(limit);
}

/// Limits are shown as typed: 0.95, 1.05, 1.0, 2.0.
std::string limitText(double limit) {
    return formatNumber(limit, "0.0###");
}

/// The value with the pattern, and with more decimals where the pattern would
/// show it equal to the limit it is compared with (0.94999 is not "0.9500").
std::string valueText(double value, double limit, const std::string& pattern) {
    std::string extended = pattern;
    for (int more = 0; more < 9; ++more, extended += '0') {
        const std::string text = formatNumber(value, extended);
        if (text != formatNumber(limit, extended))
            return text;
    }
    return formatNumber(value, extended);
}

std::optional<double> finite(const std::optional<double>& value) {
    if (value && std::isfinite(*value))
        return value;
    return std::nullopt;
}

class Judge {
public:
    explicit Judge(const VerdictLimits& limits) : m_limits(limits) {}

    void slopeFactor(const std::optional<double>& value) {
        if (!value) {
            m_verdict.reasons.push_back("no slope factor");
        } else if (below(*value, m_limits.slopeFactorMin)) {
            m_verdict.reasons.push_back("slope factor " +
                                        valueText(*value, m_limits.slopeFactorMin, "0.0000") +
                                        " is below " + limitText(m_limits.slopeFactorMin));
        } else if (above(*value, m_limits.slopeFactorMax)) {
            m_verdict.reasons.push_back("slope factor " +
                                        valueText(*value, m_limits.slopeFactorMax, "0.0000") +
                                        " is above " + limitText(m_limits.slopeFactorMax));
        }
    }

    void rms(const std::optional<double>& value) {
        if (!value)
            m_verdict.reasons.push_back("no rms residual");
        else if (above(*value, m_limits.rmsMax))
            m_verdict.reasons.push_back("rms residual " +
                                        valueText(*value, m_limits.rmsMax, "#0.0###") +
                                        " mV is above " + limitText(m_limits.rmsMax) + " mV");
    }

    void impurity(const std::optional<double>& value) {
        if (!value)
            m_verdict.reasons.push_back("no protolytic impurity level");
        else if (above(*value, m_limits.impurityMax))
            m_verdict.reasons.push_back("protolytic impurity level " +
                                        valueText(*value, m_limits.impurityMax, "#0.00") +
                                        "% is above " + limitText(m_limits.impurityMax) + "%");
    }

    /// Signed comparison: an alkali concentration of the wrong sign is far off.
    void alkaliConc(const std::optional<double>& value, double buretteConc) {
        if (!value) {
            m_verdict.reasons.push_back("no alkali concentration");
            return;
        }
        if (!std::isfinite(buretteConc) || buretteConc == 0) {
            m_verdict.reasons.push_back(
                "no burette concentration to compare the alkali concentration with");
            return;
        }
        const double deviation = std::fabs(*value - buretteConc) / std::fabs(buretteConc) * 100;
        const double limit = m_limits.alkaliDeviationMax;
        if (above(deviation, limit))
            m_verdict.reasons.push_back("alkali concentration " + formatNumber(*value, "0.0000##") +
                                        " is " + valueText(deviation, limit, "#0.00") +
                                        "% from the burette concentration " +
                                        formatNumber(buretteConc, kConcentrationPattern) +
                                        ", more than " + limitText(limit) + "%");
    }

    void impurityFloor(const std::optional<double>& value) {
        if (value && below(*value, m_limits.impurityMin))
            m_verdict.reasons.push_back(std::string(kNegativeCarbonateReason) +
                                        ": protolytic impurity level " +
                                        valueText(*value, m_limits.impurityMin, "#0.00") +
                                        "% is below " + limitText(m_limits.impurityMin) + "%");
    }

    void e0Window(const std::optional<double>& value) {
        if (!value)
            return; // "no E0" cannot happen beside a slope factor; the other checks say enough
        if (m_limits.e0Min && below(*value, *m_limits.e0Min))
            m_verdict.reasons.push_back("E0 " + valueText(*value, *m_limits.e0Min, "#0.0") +
                                        " mV is below " + limitText(*m_limits.e0Min) + " mV");
        else if (m_limits.e0Max && above(*value, *m_limits.e0Max))
            m_verdict.reasons.push_back("E0 " + valueText(*value, *m_limits.e0Max, "#0.0") +
                                        " mV is above " + limitText(*m_limits.e0Max) + " mV");
    }

    Verdict verdict() const { return m_verdict; }

private:
    const VerdictLimits& m_limits;
    Verdict m_verdict;
};

} // namespace

std::optional<Verdict> judgeCalibration(CalculationOutcome outcome, const ResultValues& results,
                                        double buretteConc, const VerdictLimits& limits) {
    if (outcome != CalculationOutcome::Calibrated)
        return std::nullopt;
    Judge judge(limits);
    // A Nernstian slope (no deviation) and the acid branch alone (no alkali
    // end-point) leave the slope factor and the impurity level unjudged.
    if (!results.slope || results.slopeSd)
        judge.slopeFactor(finite(results.slopeFactor));
    judge.rms(finite(results.rms));
    if (!results.acidEndPoint || results.alkaliEndPoint)
        judge.impurity(finite(results.impurityPercent));
    judge.alkaliConc(finite(results.alkaliConc), buretteConc);
    judge.impurityFloor(finite(results.impurityPercent));
    judge.e0Window(finite(results.E0));
    return judge.verdict();
}

std::optional<Verdict> judgeCalibration(CalculationOutcome outcome, const Titration& t,
                                        const VerdictLimits& limits) {
    return judgeCalibration(outcome, t.results, t.Burette.value, limits);
}

std::string limitsProblem(const VerdictLimits& l) {
    for (double limit :
         {l.slopeFactorMin, l.slopeFactorMax, l.rmsMax, l.impurityMax, l.alkaliDeviationMax,
          l.impurityMin, l.e0Min.value_or(0), l.e0Max.value_or(0)})
        if (!std::isfinite(limit))
            return "a limit is not a finite number";
    if (l.slopeFactorMin > l.slopeFactorMax)
        return "the lower slope factor limit is above the upper one";
    if (l.impurityMin > l.impurityMax)
        return "the lower impurity limit is above the upper one";
    if (l.e0Min && l.e0Max && *l.e0Min > *l.e0Max)
        return "the lower E0 limit is above the upper one";
    if (!(l.rmsMax > 0))
        return "the rms limit must be above 0 mV";
    if (l.alkaliDeviationMax < 0)
        return "the alkali concentration limit must not be negative";
    return {};
}

std::string verdictText(const Verdict& verdict) {
    if (verdict.ok())
        return kElectrodeOk;
    std::string text = kCheckElectrode;
    for (std::size_t i = 0; i < verdict.reasons.size(); ++i)
        text += (i == 0 ? " " : "; ") + verdict.reasons[i];
    return text;
}

} // namespace core

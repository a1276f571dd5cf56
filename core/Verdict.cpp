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
    return judge.verdict();
}

std::optional<Verdict> judgeCalibration(CalculationOutcome outcome, const Titration& t,
                                        const VerdictLimits& limits) {
    return judgeCalibration(outcome, t.results, t.Burette.value, limits);
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

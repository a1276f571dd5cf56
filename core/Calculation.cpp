#include "Calculation.h"

#include "CalculationState.h"
#include "FitCorrelation.h"
#include "Format.h"
#include "Gran.h"
#include "LeastSquares.h"
#include "Refinement.h"
#include "ResidualTrend.h"
#include "Selection.h"
#include "VectorState.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace core {

namespace {

/// A last look before anything reaches the titration: every per-point value is a number.
std::string nonFinitePoint(const CalculationState& s) {
    for (std::size_t i = 0; i < s.points.size(); ++i)
        for (double v : {s.PointPH[i], s.GranValue[i], s.GranResid[i], s.Resid[i]})
            if (!std::isfinite(v))
                return "the calculation gives no finite result at point " + std::to_string(i + 1);
    return {};
}

/// What only some calculations determine: no value from an earlier one stays.
void clearRefinedResults(CalculationState& s) {
    ResultValues& r = s.results;
    r.sensitivity.reset();
    if (!r.refined.empty() || r.pKw) {
        r.refined.clear();
        r.correlation.clear();
        r.pKw.reset();
        r.pKwSd.reset();
        s.captions.PKwValue.clear();
        s.captions.PKwSd.clear();
    }
}

/// A refined pKw starts from the typed one and needs alkaline points to be told.
std::string checkRefinedPKw(CalculationState& s) {
    if (!s.inputs.RefinePKw)
        return {};
    if (s.inputs.branch == Branch::Acid)
        return "pKw cannot be refined from the acid branch alone";
    int alkaline = 0;
    for (std::size_t i = 0; i < s.points.size(); ++i)
        alkaline += s.points.UsePoint[i] && s.PointPH[i] >= kGranBranchPH ? 1 : 0;
    if (alkaline < kAlkalinePointsForPKw)
        return "too few points in the alkali range to refine pKw: " + std::to_string(alkaline) +
               " used, " + std::to_string(kAlkalinePointsForPKw) + " needed";
    s.model.pKw = s.inputs.pKw;
    return {};
}

/// Used points the selection (or the hand) put in the alkali range.
int alkalinePoints(const CalculationState& s) {
    int n = 0;
    for (std::size_t i = 0; i < s.points.size(); ++i)
        n += s.points.UsePoint[i] && s.PointPH[i] >= kGranBranchPH ? 1 : 0;
    return n;
}

/// A refinement that did not converge shows no numbers: its E0, slope, Gamma,
/// pKw and rms are not determined (the iteration count stays).
void clearUnconverged(CalculationState& s, const std::string& typedGamma) {
    ResultValues& r = s.results;
    for (std::optional<double>* v :
         {&r.E0, &r.E0sd, &r.slope, &r.slopeSd, &r.slopeFactor, &r.rms, &r.pKw, &r.pKwSd})
        v->reset();
    if (s.inputs.RefineGamma) {
        r.gamma.reset();
        r.gammaSd.reset();
        s.GammaBox = typedGamma;
    }
    if (s.inputs.RefinePKw)
        r.endPointRatioSd.reset();
    r.refined.clear();
    r.correlation.clear();
    ResultCaptions& c = s.captions;
    for (std::string* text : {&c.E0Value, &c.E0sd, &c.SlopeValue, &c.SlopeSd, &c.SlopeFactor,
                              &c.GammaSd, &c.Values6, &c.PKwValue, &c.PKwSd})
        *text = kNotDetermined;
}

class Run {
public:
    Run(CalculationState& state, MessageSink& sink) : m_state(state), m_sink(sink) {}

    /// The whole calculation on the state; the stop message or an empty text.
    std::string calculate() {
        CalculationState& s = m_state;
        ElectrodeModel& m = s.model;
        m.Gamma = s.inputs.Gamma;
        if (!s.inputs.RefineGamma) {
            s.results.gamma = m.Gamma;
            s.results.gammaSd.reset();
        }
        clearRefinedResults(s);
        m.Param[1] = startSlope(s.inputs);
        if (std::string stop = checkRefinedPKw(s); !stop.empty())
            return stop;
        m_selectedAlkaline = alkalinePoints(s);
        double E0 = 0;
        if (std::string stop = Gran0(s, E0); !stop.empty())
            return stop;
        m.Param[0] = E0;
        m.Param[2] = m.Gamma;
        std::fill(s.GranValue.begin(), s.GranValue.end(), 0.0);
        if (std::string stop = refine(); !stop.empty())
            return stop;
        for (int pass = 0; pass < 3; ++pass) {
            std::string stop = setGranValues(s);
            if (stop.empty())
                stop = alkaliBranchLost();
            if (stop.empty())
                stop = GranFit(s);
            if (stop.empty())
                stop = refine();
            if (!stop.empty())
                return stop;
        }
        return {};
    }

    bool allConverged() const { return m_allConverged; }

private:
    std::string refine() {
        std::string stop;
        const RefinementEnding ending = Calibrate(m_state, m_sink, stop);
        m_lastConverged = ending == RefinementEnding::Converged;
        m_allConverged = m_allConverged && m_lastConverged;
        return stop;
    }

    /// The Gran fits split the used points by the pH of the electrode just
    /// refined: one far from the truth (a refinement that went astray from a
    /// poor start) can put the points selected in the alkali range below pH 7.
    std::string alkaliBranchLost() const {
        const CalculationState& s = m_state;
        const int electrode = alkalinePoints(s);
        if (s.inputs.branch != Branch::Both || electrode >= kGranFitPoints ||
            m_selectedAlkaline < kGranFitPoints)
            return {};
        std::string text =
            "too few points in the alkali range: the electrode of the last "
            "refinement (E0 " +
            formatNumber(s.model.Param[0], "#0.0") + " mV, slope " +
            formatNumber(s.model.Param[1], "#0.00") + " mV) puts " + std::to_string(electrode) +
            " of the " + std::to_string(m_selectedAlkaline) + " points selected there above pH " +
            formatNumber(kGranBranchPH, "0") + ", " + std::to_string(kGranFitPoints) + " needed";
        if (!m_lastConverged)
            text += "; that refinement did not converge";
        if (s.inputs.RefineGamma)
            text += "; start Gamma nearer its value";
        return text;
    }

    CalculationState& m_state;
    MessageSink& m_sink;
    bool m_allConverged = true;
    bool m_lastConverged = true;
    int m_selectedAlkaline = 0;
};

} // namespace

CalculationOutcome Calculate(Titration& t, MessageSink& sink) {
    return Calculate(t, readCalculationInputs(t.inputs, sink), sink);
}

CalculationOutcome Calculate(Titration& t, const CalculationInputs& inputs, MessageSink& sink) {
    clearVectorUpperState();
    std::string stop = t.points.empty() ? "no points to calculate" : zeroVolumeProblem(t);
    if (!stop.empty()) {
        sink.message(stop);
        return CalculationOutcome::Stopped;
    }
    CalculationState state(t, inputs);
    Run run(state, sink);
    stop = run.calculate();
    if (stop.empty())
        stop = nonFinitePoint(state);
    if (!stop.empty()) {
        sink.message(stop);
        return CalculationOutcome::Stopped;
    }
    state.showCaptions();
    // Parameters the data cannot tell apart are often why a refinement did not converge.
    const std::vector<std::string> correlated =
        correlationWarnings(state.results, state.inputs.branch);
    if (!run.allConverged() && usesLeastSquares(state.inputs))
        clearUnconverged(state, t.inputs.GammaBox);
    state.storeIn(t);
    // The acid end-point beyond the alkali one (an end-point ratio above 1).
    if (t.results.impurityPercent && *t.results.impurityPercent < 0)
        sink.identifiedMessage(MessageId::NegativeCarbonate, kNegativeCarbonate);
    for (const std::string& warning : correlated)
        sink.message(warning);
    if (const std::string trend = residualTrendWarning(t); !trend.empty())
        sink.identifiedMessage(MessageId::ResidualTrend, trend);
    return run.allConverged() ? CalculationOutcome::Calibrated : CalculationOutcome::NotConverged;
}

E0Sensitivity E0sensitivity(const Titration& t) {
    RecordingSink ignored; // the messages of the trial calculations are not the user's
    const CalculationInputs inputs = readCalculationInputs(t.inputs, ignored);
    const auto E0With = [&](double titrantFactor, double titrandFactor,
                            double pKwChange) -> std::optional<double> {
        Titration trial = t;
        trial.Burette.value *= titrantFactor;
        trial.Initial.value *= titrandFactor;
        CalculationInputs changed = inputs;
        changed.pKw += pKwChange;
        if (Calculate(trial, changed, ignored) != CalculationOutcome::Calibrated)
            return std::nullopt;
        return trial.results.E0;
    };
    E0Sensitivity e;
    const std::optional<double> base = E0With(1, 1, 0);
    if (!base)
        return e;
    const auto shift = [&](std::optional<double> E0) -> std::optional<double> {
        if (!E0)
            return std::nullopt;
        return *E0 - *base;
    };
    e.titrant = shift(E0With(1 + kTitrantChange, 1, 0));
    e.titrand = shift(E0With(1, 1 + kTitrandChange, 0));
    if (!inputs.RefinePKw)
        e.pKw = shift(E0With(1, 1, kPKwChange));
    return e;
}

} // namespace core

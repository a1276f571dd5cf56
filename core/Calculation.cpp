#include "Calculation.h"

#include "CalculationState.h"
#include "Gran.h"
#include "Refinement.h"
#include "VectorState.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace core {

namespace {

/// The message for a point whose solution has no volume, or empty.
std::string zeroVolumePoint(const Titration& t) {
    const double initialVolume = t.v0.value + t.v1.value;
    for (std::size_t i = 0; i < t.points.size(); ++i)
        if (initialVolume + t.points[i].Volume == 0)
            return "total volume is zero at point " + std::to_string(i + 1);
    return {};
}

/// A last look before anything reaches the titration: every per-point value is a number.
std::string nonFinitePoint(const CalculationState& s) {
    for (std::size_t i = 0; i < s.points.size(); ++i)
        for (double v : {s.PointPH[i], s.GranValue[i], s.GranResid[i], s.Resid[i]})
            if (!std::isfinite(v))
                return "the calculation gives no finite result at point " + std::to_string(i + 1);
    return {};
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
        m.Param[1] = TheoreticalSlope(s.inputs.celsius);
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
        if (ending != RefinementEnding::Converged)
            m_allConverged = false;
        return stop;
    }

    CalculationState& m_state;
    MessageSink& m_sink;
    bool m_allConverged = true;
};

} // namespace

CalculationOutcome Calculate(Titration& t, MessageSink& sink) {
    clearVectorUpperState();
    const CalculationInputs inputs = readCalculationInputs(t.inputs, sink);
    std::string stop = t.points.empty() ? "no points to calculate" : zeroVolumePoint(t);
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
    state.storeIn(t);
    if (t.EndPointRatio > 1)
        sink.message(kNegativeCarbonate);
    return run.allConverged() ? CalculationOutcome::Calibrated : CalculationOutcome::NotConverged;
}

} // namespace core

#include "MeasurementModel.h"

namespace core {

namespace {

const std::array<ResultDescription, kUncertainResultCount> kResults{{
    {"E0", "standard potential E0", "mV"},
    {"slope", "slope", "mV"},
    {"slope_factor", "slope factor", ""},
    {"gamma", "Gamma", ""},
    {"pkw", "pKw", ""},
    {"acid_endpoint", "acid end-point", "ml"},
    {"alkali_endpoint", "alkali end-point", "ml"},
    {"endpoint_ratio", "end-point ratio", ""},
    {"impurity_percent", "protolytic impurity level", "%"},
    {"alkali_conc", "alkali concentration", "mol dm-3"},
}};

std::size_t at(UncertainResult r) {
    return static_cast<std::size_t>(r);
}

/// Discards the messages of the trial calculations: they are not the user's.
class Discard : public MessageSink {
public:
    void message(const std::string&, const std::string&) override {}
    void identifiedMessage(MessageId, const std::string&, const std::string&) override {}
};

/// The titration as the model starts each calculation from: no texts per point.
Titration withoutTexts(Titration t) {
    for (Point& p : t.points) {
        p.volumeText.clear();
        p.emfText.clear();
        p.volumeText.shrink_to_fit();
        p.emfText.shrink_to_fit();
    }
    return t;
}

} // namespace

const ResultDescription& describe(UncertainResult result) {
    return kResults[at(result)];
}

MeasurementModel::MeasurementModel(const Titration& loaded, RunFrom from)
    : m_start(withoutTexts(loaded)), m_from(from) {
    Discard converted; // the run that made the results has shown any conversion message
    m_inputs.selection = readSelectionInputs(loaded.inputs, converted);
    m_inputs.calculation = readCalculationInputs(loaded.inputs, converted);
    const Inputs& in = loaded.inputs;
    m_gives.fill(true);
    m_gives[at(UncertainResult::Gamma)] = in.RefineGamma;
    m_gives[at(UncertainResult::PKw)] = in.RefinePKw;
    const bool both = in.branch == Branch::Both;
    for (UncertainResult r : {UncertainResult::AlkaliEndPoint, UncertainResult::EndPointRatio,
                              UncertainResult::Impurity})
        m_gives[at(r)] = both;
}

TrialEnding MeasurementModel::evaluate(const InputChanges& d, ModelWorkspace& w,
                                       ResultVector& results, MessageSink* sink,
                                       Precision precision) const {
    Titration& t = w.titration;
    t = m_start;
    t.v0.value += d[UncertaintyInput::TitrandVolume];
    t.v1.value += d[UncertaintyInput::ElectrolyteVolume];
    t.Initial.value += d[UncertaintyInput::TitrandConc];
    t.Burette.value += d[UncertaintyInput::TitrantConc];
    const double scale = 1 + d[UncertaintyInput::Burette];
    double added = 0; // the errors of the additions so far
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        Point& p = t.points[i];
        if (!d.addition.empty())
            added += d.addition[i];
        p.Volume = p.Volume * scale + added;
        if (!d.emf.empty())
            p.EmfObs += d.emf[i];
    }
    RunInputs in = m_inputs;
    in.calculation.celsius += d[UncertaintyInput::Temperature];
    if (!in.calculation.RefinePKw)
        in.calculation.pKw += d[UncertaintyInput::PKw];
    in.calculation.heldSlopeFactor += d[UncertaintyInput::SlopeFactor];
    in.calculation.stopAtRoundingFloor = precision == Precision::Trial;
    // The points are selected by the stated conditions, volumes and pKw, whatever
    // the true ones are: a selection made on changed ones would add jumps that
    // no real error makes. A refined pKw selects again, as its data ask.
    SelectionOptions selection;
    selection.selectOn = &m_start;
    Discard quiet;
    const SelectedCalculation run =
        selectAndCalculate(t, in, m_from, sink ? *sink : quiet, selection);
    if (run.outcome == CalculationOutcome::Stopped)
        return TrialEnding::Stopped;
    if (run.outcome == CalculationOutcome::NotConverged)
        return TrialEnding::NotConverged;
    results = resultVector(t);
    return TrialEnding::Calibrated;
}

ResultVector resultVector(const Titration& t) {
    const ResultValues& r = t.results;
    ResultVector v{};
    const auto set = [&](UncertainResult k, const std::optional<double>& value) {
        v[at(k)] = value.value_or(0);
    };
    set(UncertainResult::E0, r.E0);
    set(UncertainResult::Slope, r.slope);
    set(UncertainResult::SlopeFactor, r.slopeFactor);
    set(UncertainResult::Gamma, t.inputs.RefineGamma ? r.gamma : std::nullopt);
    set(UncertainResult::PKw, r.pKw);
    set(UncertainResult::AcidEndPoint, r.acidEndPoint);
    set(UncertainResult::AlkaliEndPoint, r.alkaliEndPoint);
    set(UncertainResult::EndPointRatio,
        r.alkaliEndPoint ? std::optional<double>(t.EndPointRatio) : std::nullopt);
    set(UncertainResult::Impurity, r.impurityPercent);
    set(UncertainResult::AlkaliConc, r.alkaliConc);
    return v;
}

} // namespace core

#include "Uncertainty.h"

#include "core/UncertaintyReport.h"

namespace cli {

namespace {

void writeInputs(JsonWriter& json, const core::UncertaintyBudget& b) {
    json.key("inputs");
    json.beginObject();
    for (const core::AppliedUncertainty& a : b.inputs) {
        const core::InputDescription& d = core::describe(a.input);
        json.key(d.json);
        if (!a.applies && a.note.starts_with("not an input")) {
            json.null();
            continue;
        }
        json.beginObject();
        json.member("u", a.u);
        json.member("unit", std::string_view(d.unit));
        json.member("stated", core::statedText(a.stated));
        json.member("default", a.byDefault);
        json.endObject();
    }
    json.endObject();
}

/// One object of a budget's lines by input: contributions or sensitivity coefficients.
void writeLines(JsonWriter& json, const char* name, const core::ResultUncertainty& r,
                bool contributions) {
    json.key(name);
    json.beginObject();
    for (const core::BudgetLine& l : r.lines)
        json.member(core::describe(l.input).json, contributions ? l.contribution : l.sensitivity);
    json.endObject();
}

void writeInterval(JsonWriter& json, double low, double high) {
    json.key("interval");
    json.beginArray();
    json.value(low);
    json.value(high);
    json.endArray();
}

void writeResult(JsonWriter& json, const core::ResultUncertainty& r) {
    json.key(core::describe(r.result).json);
    json.beginObject();
    json.member("value", r.value);
    json.member("u", r.u);
    json.member("U", r.U);
    json.member("k", r.k);
    writeInterval(json, r.low, r.high);
    json.member("fit_sd", r.fitSd);
    writeLines(json, "contributions", r, true);
    writeLines(json, "sensitivities", r, false);
    json.endObject();
}

void writeMonteCarlo(JsonWriter& json, const core::MonteCarloResult& mc) {
    json.key("monte_carlo");
    json.beginObject();
    json.member("trials", static_cast<double>(mc.trials));
    json.member("stopped", static_cast<double>(mc.stopped));
    json.member("not_converged", static_cast<double>(mc.notConverged));
    json.member("adaptive", mc.adaptive);
    json.member("stable", mc.stable);
    json.member("reliable", mc.reliable());
    json.member("agree", mc.reliable() && mc.agrees());
    json.member("check", core::agreementText(mc));
    json.key("results");
    if (!mc.reliable()) { // the figures of too few calibrated trials stand for nothing
        json.null();
        json.endObject();
        return;
    }
    json.beginObject();
    for (const core::MonteCarloSpread& s : mc.results) {
        json.key(core::describe(s.result).json);
        json.beginObject();
        json.member("mean", s.mean);
        json.member("u", s.u);
        writeInterval(json, s.low, s.high);
        json.member("d_low", s.dLow);
        json.member("d_high", s.dHigh);
        json.member("tolerance", s.tolerance);
        json.member("agrees", s.agrees);
        json.endObject();
    }
    json.endObject();
    json.endObject();
}

} // namespace

FileUncertainty evaluateUncertainty(const core::Titration& loaded, const Options& options,
                                    core::MessageSink& sink) {
    FileUncertainty u;
    const core::MeasurementModel model(loaded, core::RunFrom::Selection);
    core::UncertaintyBudget budget;
    if (const std::string error = core::evaluateBudget(model, options.uncertaintyInputs, budget);
        !error.empty()) {
        sink.message("no uncertainty budget: " + error);
        return u;
    }
    if (options.monteCarloTrials) {
        core::MonteCarloOptions mc;
        mc.trials = *options.monteCarloTrials;
        mc.threads = options.files.size() > 1 ? 1 : 0;
        u.monteCarlo = core::runMonteCarlo(model, budget, mc);
        if (!u.monteCarlo->reliable())
            sink.message(core::agreementText(*u.monteCarlo));
    }
    u.budget = std::move(budget);
    return u;
}

void writeUncertainty(JsonWriter& json, const FileUncertainty& u) {
    json.key("uncertainty");
    if (!u.budget) {
        json.null();
        return;
    }
    json.beginObject();
    json.member("method", u.monteCarlo ? "GUM and Monte Carlo" : "GUM");
    json.member("k", core::kCoverageFactor);
    json.member("calculations", u.budget->calculations);
    writeInputs(json, *u.budget);
    for (const core::ResultUncertainty& r : u.budget->results)
        writeResult(json, r);
    if (u.monteCarlo)
        writeMonteCarlo(json, *u.monteCarlo);
    json.endObject();
}

} // namespace cli

#include "Coverage.h"

#include "Simulator.h"
#include "core/MonteCarlo.h"
#include "core/RandomDraws.h"
#include "core/UncertaintyBudget.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

namespace sim {

namespace {

using core::UncertainResult;

// The written conditions; the true ones are drawn about them.
constexpr double kVolume = 25, kTitrand = 0.02, kTitrant = -0.1, kCelsius = 25, kPKw = 13.78;
constexpr double kCarbonate = 0.005, kSlope = 58.90, kE0 = 405, kEmfNoise = 0.05;
constexpr int kPoints = 71;
constexpr double kStep = 0.1;

bool refinesGamma(CoverageMode m) {
    return m == CoverageMode::Gamma || m == CoverageMode::GammaPKw || m == CoverageMode::AcidGamma;
}
bool acidOnly(CoverageMode m) {
    return m == CoverageMode::AcidNernst || m == CoverageMode::AcidNernst04 ||
           m == CoverageMode::AcidGamma;
}

/// One simulated titration: its file as written and the truth of each result.
struct Simulated {
    core::Titration titration;
    core::ResultVector truth{};
};

Simulated simulateRun(CoverageMode mode, std::uint64_t seed) {
    core::NormalDraws<core::SplitMix64> z = core::trialDraws(seed, 0xC0C0);
    Setup s;
    s.titrandVolume = kVolume + 0.02 * z.next();
    s.electrolyteVolume = kVolume + 0.02 * z.next();
    s.titrandConc = kTitrand * (1 + 0.001 * z.next());
    s.buretteConc = kTitrant * (1 + 0.002 * z.next()) * (refinesGamma(mode) ? 1.005 : 1);
    const double scale = 1 + 0.001 * z.next();
    const double celsius = kCelsius + 0.2 * z.next();
    s.pKw = kPKw + 0.02 * z.next();
    const double departure = 0.004 * z.next();
    s.slope = !acidOnly(mode) ? kSlope
              : mode == CoverageMode::AcidNernst04
                  ? core::TheoreticalSlope(celsius) * 0.996
                  : core::TheoreticalSlope(celsius) * (1 + departure);
    s.E0 = kE0;
    s.carbonateFraction = kCarbonate;
    s.emfNoise = kEmfNoise;
    s.seed = seed;
    // Each addition's error stays in every later reading; the first reading adds nothing.
    std::vector<double> readings, delivered;
    double added = 0;
    for (int i = 0; i < kPoints; ++i) {
        readings.push_back(kStep * i);
        if (i > 0)
            added += 0.002 * z.next();
        delivered.push_back(readings.back() * scale + added);
    }
    Simulated run;
    core::Titration& t = run.titration;
    core::setConditions(t, kVolume, kVolume, kTitrand, kTitrant);
    const auto single = [](double x) { return static_cast<double>(static_cast<float>(x)); };
    const std::vector<SimulatedPoint> points = simulateAt(s, delivered);
    for (std::size_t i = 0; i < points.size(); ++i) {
        core::Point p;
        p.Volume = single(readings[i]);
        p.EmfObs = single(points[i].emf);
        t.points.push_back(p);
    }
    core::Inputs& in = t.inputs;
    in.Tbox = "25";
    in.pKbox = "13.78";
    in.RefineGamma = refinesGamma(mode);
    in.RefinePKw = mode == CoverageMode::GammaPKw;
    in.branch = acidOnly(mode) ? core::Branch::Acid : core::Branch::Both;

    const double acid = acidEndPoint(s), alkali = alkaliEndPoint(s);
    const auto set = [&](UncertainResult r, double value) {
        run.truth[static_cast<std::size_t>(r)] = value;
    };
    set(UncertainResult::E0, s.E0);
    set(UncertainResult::Slope, s.slope);
    set(UncertainResult::SlopeFactor, s.slope / core::TheoreticalSlope(celsius));
    set(UncertainResult::Gamma, s.buretteConc / kTitrant);
    set(UncertainResult::PKw, s.pKw);
    set(UncertainResult::AcidEndPoint, acid);
    set(UncertainResult::AlkaliEndPoint, alkali);
    set(UncertainResult::EndPointRatio, acid / alkali);
    set(UncertainResult::Impurity, 100 * (1 - acid / alkali));
    const double mean = acidOnly(mode) ? acid : (acid + alkali) / 2;
    set(UncertainResult::AlkaliConc, -s.titrandVolume * s.titrandConc / mean);
    return run;
}

/// What one run found: for each result, whether each interval held the truth.
struct RunHits {
    bool ok = false;
    std::string failure;
    std::array<bool, core::kUncertainResultCount> gum{}, sd{}, hasSd{}, monteCarlo{};
};

RunHits calibrateRun(const CoverageOptions& o, std::uint64_t seed) {
    const Simulated run = simulateRun(o.mode, seed);
    const core::MeasurementModel model(run.titration, core::RunFrom::Selection);
    core::UncertaintyBudget budget;
    RunHits hits;
    // The emf's repeatability is stated as a chemist who knows the meter states it;
    // its default, the fit's scatter, would count the misfit the conditions' errors cause.
    core::UncertaintyInputs stated;
    stated[core::UncertaintyInput::Emf] = core::StatedUncertainty{kEmfNoise, false};
    hits.failure = core::evaluateBudget(model, stated, budget);
    if (!hits.failure.empty())
        return hits;
    core::MonteCarloResult mc;
    if (o.monteCarloTrials > 0) {
        core::MonteCarloOptions mo;
        mo.trials = o.monteCarloTrials;
        mo.seed = seed;
        mo.threads = 1;
        mc = core::runMonteCarlo(model, budget, mo);
    }
    for (const core::ResultUncertainty& r : budget.results) {
        const std::size_t k = static_cast<std::size_t>(r.result);
        const double truth = run.truth[k];
        hits.gum[k] = std::abs(r.value - truth) <= r.U;
        hits.hasSd[k] = r.fitSd.has_value();
        hits.sd[k] = r.fitSd && std::abs(r.value - truth) <= 2 * *r.fitSd;
        if (const core::MonteCarloSpread* s = mc.find(r.result))
            hits.monteCarlo[k] = s->low <= truth && truth <= s->high;
    }
    hits.ok = true;
    return hits;
}

} // namespace

const char* modeName(CoverageMode mode) {
    switch (mode) {
    case CoverageMode::Classic:
        return "classic (Gamma and pKw held)";
    case CoverageMode::Gamma:
        return "Gamma refined";
    case CoverageMode::GammaPKw:
        return "Gamma and pKw refined";
    case CoverageMode::AcidNernst:
        return "acid only, Nernst slope (true slope drawn, u 0.4 %)";
    case CoverageMode::AcidNernst04:
        return "acid only, Nernst slope (true slope 0.4 % below)";
    case CoverageMode::AcidGamma:
        return "acid only, Nernst slope, Gamma refined";
    }
    return "";
}

const CoverageRow* CoverageTable::find(core::UncertainResult r) const {
    for (const CoverageRow& row : rows)
        if (row.result == r)
            return &row;
    return nullptr;
}

CoverageTable coverageStudy(const CoverageOptions& o) {
    CoverageTable table;
    table.mode = o.mode;
    table.runs = o.runs;
    const auto gives =
        core::MeasurementModel(simulateRun(o.mode, o.firstSeed).titration, core::RunFrom::Selection)
            .gives();
    for (std::size_t k = 0; k < gives.size(); ++k)
        if (gives[k])
            table.rows.push_back({static_cast<UncertainResult>(k)});
    std::mutex mutex;
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int i = next++; i < o.runs; i = next++) {
            const RunHits hits = calibrateRun(o, o.firstSeed + static_cast<std::uint64_t>(i));
            const std::lock_guard lock(mutex);
            if (!hits.ok) {
                if (++table.failed <= 3)
                    table.failures.push_back("seed " + std::to_string(o.firstSeed + i) + ": " +
                                             hits.failure);
                continue;
            }
            for (CoverageRow& row : table.rows) {
                const auto k = static_cast<std::size_t>(row.result);
                row.runs += 1;
                row.gum += hits.gum[k] ? 1 : 0;
                row.sd += hits.sd[k] ? 1 : 0;
                row.hasSd = row.hasSd || hits.hasSd[k];
                row.monteCarlo += hits.monteCarlo[k] ? 1 : 0;
            }
        }
    };
    const unsigned threads =
        o.threads ? o.threads : std::max(1u, std::thread::hardware_concurrency());
    {
        std::vector<std::jthread> helpers;
        for (unsigned k = 1; k < threads; ++k)
            helpers.emplace_back(work);
        work();
    }
    return table;
}

std::string coverageText(const CoverageTable& table) {
    std::string text = std::string(modeName(table.mode)) + ": " + std::to_string(table.runs) +
                       " titrations, " + std::to_string(table.failed) + " not calibrated\n";
    for (const std::string& failure : table.failures)
        text += "  (" + failure + ")\n";
    char line[160];
    std::snprintf(line, sizeof line, "  %-28s %10s %10s %12s\n", "result", "U (k = 2)", "2 sd",
                  "Monte Carlo");
    text += line;
    for (const CoverageRow& row : table.rows) {
        const auto share = [&](int hits) { return 100.0 * hits / std::max(row.runs, 1); };
        char sd[16] = "–", mc[16] = "–";
        if (row.hasSd)
            std::snprintf(sd, sizeof sd, "%.1f %%", share(row.sd));
        if (row.monteCarlo > 0)
            std::snprintf(mc, sizeof mc, "%.1f %%", share(row.monteCarlo));
        std::snprintf(line, sizeof line, "  %-28s %8.1f %% %10s %12s\n",
                      core::describe(row.result).name, share(row.gum), sd, mc);
        text += line;
    }
    return text;
}

} // namespace sim

// The uncertainty evaluation of one titration: its GUM budget (a few hundred
// calculations of the whole calibration) and a Monte Carlo run of 100,000
// trials over every core, classic and with Gamma refined. On the real HCl /
// NaOH titration beside the clone (../shared/realdata, or the folder named by
// the environment variable TAMO_SHARED_DATA), else on a simulated one of its
// shape: 53 points, 0.9 g of acid in 119 g of salt solution.
#include "core/MonteCarlo.h"
#include "core/UncertaintyBudget.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

namespace {

std::string realFile() {
    const char* folder = std::getenv("TAMO_SHARED_DATA");
    return std::string(folder ? folder : TAMO_SHARED_DATA_DIR) +
           "/converted/hcl-naoh-nacl-20210608.txt";
}

/// A simulated titration of the real one's shape, its titrant 1.7 % off the label.
core::Titration likeTheRealOne() {
    sim::Setup s;
    s.titrandVolume = 0.89827;
    s.electrolyteVolume = 119.4294;
    s.titrandConc = 0.099883;
    s.buretteConc = -0.05056 * 1.0169;
    s.E0 = 409.3;
    s.slope = 58.2;
    s.pKw = 13.82;
    s.carbonateFraction = 0.007;
    s.lastVolume = 2.14;
    s.pointCount = 53;
    s.emfNoise = 0.04;
    core::Titration t = sim::makeTitration(s);
    core::setConditions(t, s.titrandVolume, s.electrolyteVolume, s.titrandConc, -0.05056);
    return t;
}

core::Titration titration(bool refineGamma, benchmark::State& state) {
    core::Titration t;
    core::RecordingSink sink;
    const bool real = std::filesystem::exists(realFile()) && io::ReadDataFile(realFile(), t, sink);
    if (!real)
        t = likeTheRealOne();
    state.SetLabel(real ? "real titration" : "simulated like the real titration");
    t.inputs.Range = {"2.5", "4", "9", "10.5"};
    t.inputs.pKbox = "13.82";
    t.inputs.Tbox = "20";
    t.inputs.RefineGamma = refineGamma;
    return t;
}

/// Masses stand for volumes in the real file: a balance's uncertainties.
core::UncertaintyInputs weighed() {
    core::UncertaintyInputs in;
    in[core::UncertaintyInput::TitrandVolume] = core::StatedUncertainty{0.0002, false};
    in[core::UncertaintyInput::ElectrolyteVolume] = core::StatedUncertainty{0.002, false};
    in[core::UncertaintyInput::Addition] = core::StatedUncertainty{0.0001, false};
    return in;
}

void BM_Budget(benchmark::State& state) {
    const core::MeasurementModel model(titration(state.range(0) != 0, state),
                                       core::RunFrom::Selection);
    core::UncertaintyBudget budget;
    for (auto _ : state) {
        if (!core::evaluateBudget(model, weighed(), budget).empty()) {
            state.SkipWithError("no budget");
            break;
        }
        benchmark::DoNotOptimize(budget.results.data());
    }
    state.counters["calculations"] = budget.calculations;
}

void BM_MonteCarlo100k(benchmark::State& state) {
    const core::MeasurementModel model(titration(state.range(0) != 0, state),
                                       core::RunFrom::Selection);
    core::UncertaintyBudget budget;
    if (!core::evaluateBudget(model, weighed(), budget).empty()) {
        state.SkipWithError("no budget");
        return;
    }
    core::MonteCarloOptions options;
    options.trials = 100'000;
    for (auto _ : state) {
        const core::MonteCarloResult r = core::runMonteCarlo(model, budget, options);
        if (r.failed() > 0)
            state.SkipWithError("trials failed");
        benchmark::DoNotOptimize(r.results.data());
    }
}

BENCHMARK(BM_Budget)->ArgName("gamma")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonteCarlo100k)
    ->ArgName("gamma")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

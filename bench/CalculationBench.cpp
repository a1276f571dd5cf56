// The whole calculation command (point selection, four refinements, three Gran
// fits, captions) on simulated titrations of growing size.
#include "core/Calculation.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <benchmark/benchmark.h>

namespace {

/// Ignores the messages; the benchmark checks the outcome instead.
class QuietSink : public core::MessageSink {
public:
    void message(const std::string&, const std::string&) override {}
};

core::Titration simulatedTitration(int pointCount) {
    sim::Setup setup;
    setup.pointCount = pointCount;
    setup.carbonateFraction = 0.01;
    setup.seed = 7;
    return sim::makeTitration(setup);
}

void BM_Calculation(benchmark::State& state) {
    core::Titration t = simulatedTitration(static_cast<int>(state.range(0)));
    QuietSink sink;
    for (auto _ : state) {
        t.EndPointRatio = 1;
        const bool selected = core::SelectPoints(t, sink);
        if (!selected || core::Calculate(t, sink) != core::CalculationOutcome::Calibrated) {
            state.SkipWithError("the simulated titration did not calibrate");
            break;
        }
        benchmark::DoNotOptimize(t.Param);
    }
    state.SetComplexityN(state.range(0));
    state.counters["lastRefinementEvaluations"] = t.results.iterations.value_or(0);
}

BENCHMARK(BM_Calculation)
    ->Arg(60)
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

} // namespace

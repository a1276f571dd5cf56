// The coverage study: for each mode of calibration, simulated titrations of
// known truth whose written conditions differ from the true ones by draws from
// their stated uncertainties; the share of runs whose interval holds the truth.
//
//   coverage_study [RUNS [MONTE_CARLO_TRIALS]]
//
// RUNS titrations per mode (default 1000), each with MONTE_CARLO_TRIALS trials
// of its own (default 0: GUM only).
#include "sim/Coverage.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::size_t trials = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: coverage_study [RUNS [MONTE_CARLO_TRIALS]]\n");
        return 2;
    }
    for (sim::CoverageMode mode : {sim::CoverageMode::Classic, sim::CoverageMode::Gamma,
                                   sim::CoverageMode::GammaPKw, sim::CoverageMode::AcidNernst,
                                   sim::CoverageMode::AcidNernst04, sim::CoverageMode::AcidGamma}) {
        const auto start = std::chrono::steady_clock::now();
        sim::CoverageOptions options;
        options.mode = mode;
        options.runs = runs;
        options.monteCarloTrials = trials;
        const sim::CoverageTable table = sim::coverageStudy(options);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%s  (%.1f s)\n\n", sim::coverageText(table).c_str(), took.count());
        std::fflush(stdout);
    }
    return 0;
}

#pragma once

#include "core/MeasurementModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

/// The calibrations whose intervals the coverage study checks.
enum class CoverageMode {
    Classic,      ///< Gamma and pKw held
    Gamma,        ///< Gamma refined
    GammaPKw,     ///< Gamma and pKw refined
    AcidNernst,   ///< the acid branch alone with the Nernst slope; the true slope drawn about it
    AcidNernst04, ///< the same with the true slope 0.4 % below Nernst
    AcidGamma,    ///< the acid branch alone with the Nernst slope and Gamma refined
};

const char* modeName(CoverageMode mode);

/// How many runs of one mode, from which seed, with how many Monte Carlo trials
/// per titration (0: GUM only).
struct CoverageOptions {
    CoverageMode mode = CoverageMode::Classic;
    int runs = 1000;
    std::uint64_t firstSeed = 1;
    std::size_t monteCarloTrials = 0;
    unsigned threads = 0; ///< titrations calculated at once; 0: the machine's cores
};

/// For one result: in how many runs the truth lay within U (k = 2) of it, within
/// two of today's "± sd", and inside the Monte Carlo interval.
struct CoverageRow {
    core::UncertainResult result{};
    int runs = 0;
    int gum = 0, sd = 0, monteCarlo = 0;
    bool hasSd = false;
};

struct CoverageTable {
    CoverageMode mode{};
    int runs = 0;
    int failed = 0;                    ///< titrations that did not calibrate or gave no budget
    std::vector<std::string> failures; ///< "seed N: why", the first few
    std::vector<CoverageRow> rows;
    const CoverageRow* find(core::UncertainResult r) const;
};

/// Simulated titrations of known truth (E0 405 mV, slope 58.90 mV, pKw 13.78,
/// carbonate 0.5 %, titrand 25 ml of 0.02 M in 25 ml of electrolyte, 0 to 7 ml
/// of 0.1 M titrant in 0.1 ml steps, emf noise 0.05 mV) whose written
/// conditions differ from the true ones by draws from the default standard
/// uncertainties: titrand and electrolyte volume 0.02 ml, titrand 0.1 %,
/// titrant 0.2 % (and 0.5 % off its label where Gamma is refined), burette
/// scale 0.1 %, each addition 0.002 ml, temperature 0.2 K, pKw 0.02; with a
/// held slope the true slope departs from Nernst by a draw of 0.4 %. Each run
/// is calibrated in the mode and its budget made with the defaults.
CoverageTable coverageStudy(const CoverageOptions& options);

/// The table as text: one line per result with the three shares in %.
std::string coverageText(const CoverageTable& table);

} // namespace sim

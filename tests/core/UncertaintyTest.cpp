#include "core/MonteCarlo.h"
#include "core/UncertaintyBudget.h"
#include "sim/Simulator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using core::UncertainResult;
using core::UncertaintyInput;

core::Titration simulated(bool refineGamma) {
    sim::Setup setup;
    setup.carbonateFraction = 0.005;
    setup.pointCount = 71;
    setup.lastVolume = 7;
    setup.seed = 21;
    core::Titration t = sim::makeTitration(setup);
    t.inputs.RefineGamma = refineGamma;
    return t;
}

const core::BudgetLine& line(const core::UncertaintyBudget& b, UncertainResult r,
                             UncertaintyInput input) {
    for (const core::BudgetLine& l : b.find(r)->lines)
        if (l.input == input)
            return l;
    throw std::runtime_error("no line");
}

TEST(UncertaintyBudget, SensitivitiesFollowTheChemistry) {
    // The end-points come from the emfs: the stated titrand and titrant hardly
    // move them, the burette's scale makes every volume larger. The alkali
    // concentration -v0 CT / Vm follows the titrand's amount, not the titrant's label.
    core::Titration t = simulated(false);
    const core::MeasurementModel model(t, core::RunFrom::Selection);
    core::UncertaintyBudget b;
    ASSERT_EQ(core::evaluateBudget(model, {}, b), "");
    const double Vep = b.find(UncertainResult::AcidEndPoint)->value;
    const double C = b.find(UncertainResult::AlkaliConc)->value;
    const struct {
        UncertainResult result;
        UncertaintyInput input;
        double expected, scale; // within 3 % of the scale
    } cases[] = {
        {UncertainResult::AcidEndPoint, UncertaintyInput::TitrandVolume, 0, Vep / 25},
        {UncertainResult::AcidEndPoint, UncertaintyInput::TitrandConc, 0, Vep / 0.02},
        {UncertainResult::AcidEndPoint, UncertaintyInput::TitrantConc, 0, Vep / 0.1},
        {UncertainResult::AcidEndPoint, UncertaintyInput::Burette, Vep, Vep},
        {UncertainResult::AlkaliConc, UncertaintyInput::TitrandVolume, C / 25, C / 25},
        {UncertainResult::AlkaliConc, UncertaintyInput::TitrandConc, C / 0.02, C / 0.02},
        {UncertainResult::AlkaliConc, UncertaintyInput::TitrantConc, 0, C / 0.1},
        {UncertainResult::AlkaliConc, UncertaintyInput::Burette, -C, C},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(line(b, c.result, c.input).sensitivity, c.expected, 0.03 * std::abs(c.scale))
            << core::describe(c.result).name << " / " << core::describe(c.input).name;
    // Every input that applies has a line; u is their root sum of squares.
    for (const core::ResultUncertainty& r : b.results) {
        double variance = 0;
        for (const core::BudgetLine& l : r.lines)
            variance += l.contribution * l.contribution;
        EXPECT_EQ(r.lines.size(), 9u) << core::describe(r.result).name; // all but the slope factor
        EXPECT_NEAR(r.u, std::sqrt(variance), 1e-12 * r.u);
    }
}

TEST(UncertaintyInputs, StatedTextsAndWhatEntersEachMode) {
    const struct {
        UncertaintyInput input;
        const char* text;
        double value;
        bool relative;
        const char* error; // the start of the error; empty: read
    } texts[] = {
        {UncertaintyInput::TitrandVolume, "0.02", 0.02, false, ""},
        {UncertaintyInput::TitrandVolume, "0.03 ml", 0.03, false, ""},
        {UncertaintyInput::TitrantConc, "0.2 %", 0.002, true, ""},
        {UncertaintyInput::Burette, "0.1%", 0.001, true, ""},
        {UncertaintyInput::Emf, "0", 0, false, ""},
        {UncertaintyInput::Emf, "5%", 0, false, "is in mV, not a percentage"},
        {UncertaintyInput::Temperature, "-0.2", 0, false, "cannot be negative"},
        {UncertaintyInput::PKw, "abc", 0, false, "needs a number"},
        {UncertaintyInput::PKw, "1e99", 0, false, "\"1e99\" is out of range"},
    };
    for (const auto& c : texts) {
        core::StatedUncertainty stated;
        const std::string error = core::parseStatedUncertainty(c.input, c.text, stated);
        EXPECT_TRUE(error.starts_with(c.error)) << c.text << ": " << error;
        if (*c.error == '\0') {
            EXPECT_NEAR(stated.value, c.value, 1e-9) << c.text;
            EXPECT_EQ(stated.relative, c.relative) << c.text;
            core::StatedUncertainty again;
            EXPECT_EQ(core::parseStatedUncertainty(c.input, core::statedText(stated), again), "");
            EXPECT_NEAR(again.value, stated.value, 1e-6 * stated.value)
                << c.text; // single precision
        }
    }
    // A refined Gamma finds the titrant; pKw refined, or acid only, is no input; a held slope is.
    const struct {
        bool refineGamma, refinePKw;
        core::Branch branch;
        bool titrant, pKw, slopeFactor;
    } modes[] = {
        {false, false, core::Branch::Both, true, true, false},
        {true, true, core::Branch::Both, false, false, false},
        {false, false, core::Branch::Acid, true, false, true},
    };
    for (const auto& m : modes) {
        core::Titration t = simulated(m.refineGamma);
        t.inputs.RefinePKw = m.refinePKw;
        t.inputs.branch = m.branch;
        const auto applied = core::applyUncertainties(t, {});
        const auto applies = [&](UncertaintyInput input) {
            return applied[static_cast<std::size_t>(input)].applies;
        };
        EXPECT_EQ(applies(UncertaintyInput::TitrantConc), m.titrant);
        EXPECT_EQ(applies(UncertaintyInput::PKw), m.pKw);
        EXPECT_EQ(applies(UncertaintyInput::SlopeFactor), m.slopeFactor);
    }
}

TEST(MonteCarlo, TheSameWhateverTheThreadsAndCloseToTheGumWhereTheModelIsNearlyLinear) {
    const core::Titration t = simulated(true);
    const core::MeasurementModel model(t, core::RunFrom::Selection);
    core::UncertaintyBudget b;
    ASSERT_EQ(core::evaluateBudget(model, {}, b), "");
    core::MonteCarloOptions options;
    options.trials = 1000;
    options.threads = 1;
    const core::MonteCarloResult one = core::runMonteCarlo(model, b, options);
    options.threads = 3;
    std::size_t reported = 0;
    options.progress = [&](std::size_t done, std::size_t planned) {
        EXPECT_LE(done, planned);
        reported = done;
    };
    const core::MonteCarloResult three = core::runMonteCarlo(model, b, options);
    EXPECT_EQ(reported, 1000u);
    ASSERT_EQ(one.trials, 1000u);
    EXPECT_EQ(one.failed(), 0u);
    ASSERT_EQ(one.results.size(), b.results.size());
    for (std::size_t k = 0; k < one.results.size(); ++k) {
        const core::MonteCarloSpread& a = one.results[k];
        EXPECT_EQ(a.mean, three.results[k].mean);
        EXPECT_EQ(a.low, three.results[k].low);
        // 1000 trials give u to about 2.2 %.
        EXPECT_NEAR(a.u, b.results[k].u, 0.1 * b.results[k].u) << core::describe(a.result).name;
    }
    std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    EXPECT_TRUE(core::runMonteCarlo(model, b, options).cancelled);
}

} // namespace

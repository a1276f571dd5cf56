#include "core/Verdict.h"

#include "core/Locale.h"
#include "core/Selection.h"
#include "sim/Simulator.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using core::CalculationOutcome;
using Reasons = std::vector<std::string>;
using Change = std::function<void(core::ResultValues&)>;

/// The reasons against results that meet every default limit but for the change.
Reasons reasonsFor(const Change& change, double burette = -0.1, core::VerdictLimits limits = {}) {
    core::ResultValues r;
    r.slopeFactor = 1.0;
    r.rms = 0.5;
    r.impurityPercent = 0.5;
    r.alkaliConc = -0.1;
    change(r);
    const auto verdict = core::judgeCalibration(CalculationOutcome::Calibrated, r, burette, limits);
    EXPECT_TRUE(verdict.has_value());
    return verdict ? verdict->reasons : Reasons{"no verdict"};
}

TEST(Verdict, E0WindowOnlyWhenSet) {
    core::VerdictLimits window;
    window.e0Min = 380;
    window.e0Max = 420;
    const struct {
        double e0;
        core::VerdictLimits limits;
        Reasons reasons;
    } cases[] = {
        {300, {}, {}},
        {380, window, {}},
        {379.94, window, {"E0 379.9 mV is below 380.0 mV"}},
        {425.5, window, {"E0 425.5 mV is above 420.0 mV"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonsFor([&](core::ResultValues& r) { r.E0 = c.e0; }, -0.1, c.limits),
                  c.reasons)
            << c.e0;
}

TEST(Verdict, LimitsProblems) {
    using L = core::VerdictLimits;
    const struct {
        std::function<void(L&)> change;
        bool usable;
    } cases[] = {
        {[](L&) {}, true},
        {[](L& l) { l.slopeFactorMin = 1.06; }, false},
        {[](L& l) { l.rmsMax = 0; }, false},
        {[](L& l) { l.impurityMin = 3; }, false},
        {[](L& l) { l.e0Min = 400, l.e0Max = 399; }, false},
        {[](L& l) { l.e0Max = NAN; }, false},
        {[](L& l) { l.e0Min = 400; }, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        L limits;
        cases[i].change(limits);
        EXPECT_EQ(core::limitsProblem(limits).empty(), cases[i].usable) << i;
    }
}

TEST(Verdict, AtAndAroundEachLimit) {
    using R = core::ResultValues;
    const std::string off = " from the burette concentration ";
    const struct {
        Change change;
        Reasons reasons;
        double burette = -0.1;
    } cases[] = {
        {[](R& r) { r.slopeFactor = 0.95; }, {}},
        {[](R& r) { r.slopeFactor = 1.05; }, {}},
        {[](R& r) { r.slopeFactor = 0.9412; }, {"slope factor 0.9412 is below 0.95"}},
        {[](R& r) { r.slopeFactor = 0.94999; }, {"slope factor 0.94999 is below 0.95"}},
        {[](R& r) { r.slopeFactor = 1.0501; }, {"slope factor 1.0501 is above 1.05"}},
        {[](R& r) { r.rms = 1.0; }, {}},
        {[](R& r) { r.rms = 1.2345; }, {"rms residual 1.2345 mV is above 1.0 mV"}},
        {[](R& r) { r.rms = 1.00001; }, {"rms residual 1.00001 mV is above 1.0 mV"}},
        {[](R& r) { r.impurityPercent = 2.0; }, {}},
        {[](R& r) { r.impurityPercent = -0.5; }, {}},
        {[](R& r) { r.impurityPercent = -5.0; },
         {"negative carbonate: protolytic impurity level -5.00% is below -0.5%"}},
        {[](R& r) { r.impurityPercent = 2.004; },
         {"protolytic impurity level 2.004% is above 2.0%"}},
        {[](R& r) { r.alkaliConc = -0.098; }, {}},
        {[](R& r) { r.alkaliConc = -0.102; }, {}},
        {[](R& r) { r.alkaliConc = -0.1021; },
         {"alkali concentration -0.1021 is 2.10%" + off + "-0.1, more than 2.0%"}},
        {[](R& r) { r.alkaliConc = 0.1; },
         {"alkali concentration 0.1000 is 200.00%" + off + "-0.1, more than 2.0%"}},
        // Alkali titrated with acid: both concentrations positive.
        {[](R& r) { r.alkaliConc = 0.1019; }, {}, 0.1},
        {[](R& r) { r.alkaliConc = 0.0979; },
         {"alkali concentration 0.0979 is 2.10%" + off + "0.1, more than 2.0%"},
         0.1},
        {[](R& r) { r.alkaliConc = -0.1; },
         {"alkali concentration -0.1000 is 200.00%" + off + "0.1, more than 2.0%"},
         0.1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(reasonsFor(cases[i].change, cases[i].burette), cases[i].reasons) << "case " << i;
}

TEST(Verdict, MissingValuesAndSeveralReasons) {
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r = {}; }),
              (Reasons{"no slope factor", "no rms residual", "no protolytic impurity level",
                       "no alkali concentration"}));
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r.rms = NAN; }), Reasons{"no rms residual"});
    EXPECT_EQ(reasonsFor([](core::ResultValues&) {}, 0),
              Reasons{"no burette concentration to compare the alkali concentration with"});

    core::ResultValues r{};
    r.slopeFactor = 0.9;
    r.rms = 2;
    r.impurityPercent = 3;
    r.alkaliConc = -0.1;
    const auto several = core::judgeCalibration(CalculationOutcome::Calibrated, r, -0.1, {});
    ASSERT_TRUE(several);
    EXPECT_EQ(core::verdictText(*several),
              "check electrode: slope factor 0.9000 is below 0.95; rms residual 2.0 mV is above "
              "1.0 mV; protolytic impurity level 3.00% is above 2.0%");
    EXPECT_EQ(core::verdictText(core::Verdict{}), "electrode OK");

    const core::VerdictLimits strict{0.98, 1.01, 0.5, 0.5, 0.5}; // the rms at its limit
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r.alkaliConc = -0.1006; }, -0.1, strict),
              Reasons{"alkali concentration -0.1006 is 0.60% from the burette concentration -0.1, "
                      "more than 0.5%"});
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r.slopeFactor = 0.975; }, -0.1, strict),
              Reasons{"slope factor 0,9750 is below 0,98"});
}

TEST(Verdict, OnlyForAConvergedCalculation) {
    for (auto outcome : {CalculationOutcome::NotConverged, CalculationOutcome::Stopped})
        EXPECT_FALSE(core::judgeCalibration(outcome, core::Titration{}, {}));
    // Carbonate in the burette takes titrant without giving hydroxide: the impurity
    // level rises and the mean alkali concentration falls short of the label.
    for (const auto& [carbonate, count] : {std::pair{0.0, 0u}, std::pair{0.05, 2u}}) {
        core::Titration t = sim::makeTitration({.carbonateFraction = carbonate, .seed = 3});
        core::RecordingSink sink;
        ASSERT_TRUE(core::SelectPoints(t, sink));
        const auto verdict = core::judgeCalibration(core::Calculate(t, sink), t, {});
        ASSERT_TRUE(verdict);
        EXPECT_EQ(verdict->reasons.size(), count) << core::verdictText(*verdict);
        if (count > 0) {
            EXPECT_TRUE(verdict->reasons[0].starts_with("protolytic impurity level 5."));
            EXPECT_TRUE(verdict->reasons[1].starts_with("alkali concentration -0.097"));
        }
    }
}

} // namespace

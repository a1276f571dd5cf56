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

/// Results that meet every default limit.
core::ResultValues goodResults() {
    core::ResultValues r;
    r.slopeFactor = 1.0;
    r.rms = 0.5;
    r.impurityPercent = 0.5;
    r.alkaliConc = -0.1;
    return r;
}

Reasons reasonsFor(const std::function<void(core::ResultValues&)>& change, double burette = -0.1,
                   const core::VerdictLimits& limits = {}) {
    core::ResultValues r = goodResults();
    change(r);
    const auto verdict = core::judgeCalibration(CalculationOutcome::Calibrated, r, burette, limits);
    EXPECT_TRUE(verdict.has_value());
    return verdict ? verdict->reasons : Reasons{"no verdict"};
}

TEST(Verdict, AtAndAroundEachLimit) {
    using R = core::ResultValues;
    const struct {
        const char* name;
        std::function<void(R&)> change;
        Reasons reasons;
    } cases[] = {
        {"slope factor at the lower limit", [](R& r) { r.slopeFactor = 0.95; }, {}},
        {"slope factor at the upper limit", [](R& r) { r.slopeFactor = 1.05; }, {}},
        {"slope factor below",
         [](R& r) { r.slopeFactor = 0.9412; },
         {"slope factor 0.9412 is below 0.95"}},
        {"slope factor just below",
         [](R& r) { r.slopeFactor = 0.94999; },
         {"slope factor 0.94999 is below 0.95"}},
        {"slope factor above",
         [](R& r) { r.slopeFactor = 1.0501; },
         {"slope factor 1.0501 is above 1.05"}},
        {"rms at the limit", [](R& r) { r.rms = 1.0; }, {}},
        {"rms above", [](R& r) { r.rms = 1.2345; }, {"rms residual 1.2345 mV is above 1.0 mV"}},
        {"rms just above",
         [](R& r) { r.rms = 1.00001; },
         {"rms residual 1.00001 mV is above 1.0 mV"}},
        {"impurity at the limit", [](R& r) { r.impurityPercent = 2.0; }, {}},
        {"negative impurity", [](R& r) { r.impurityPercent = -5.0; }, {}},
        {"impurity above",
         [](R& r) { r.impurityPercent = 2.01; },
         {"protolytic impurity level 2.01% is above 2.0%"}},
        {"impurity just above",
         [](R& r) { r.impurityPercent = 2.004; },
         {"protolytic impurity level 2.004% is above 2.0%"}},
        {"alkali 2 % weaker", [](R& r) { r.alkaliConc = -0.098; }, {}},
        {"alkali 2 % stronger", [](R& r) { r.alkaliConc = -0.102; }, {}},
        {"alkali 2.1 % stronger",
         [](R& r) { r.alkaliConc = -0.1021; },
         {"alkali concentration -0.1021 is 2.10% from the burette concentration -0.1, more "
          "than 2.0%"}},
        {"alkali of the wrong sign",
         [](R& r) { r.alkaliConc = 0.1; },
         {"alkali concentration 0.1000 is 200.00% from the burette concentration -0.1, more "
          "than 2.0%"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reasonsFor(c.change), c.reasons) << c.name;
}

TEST(Verdict, AlkaliWithAcidComparesWithThePositiveBurette) {
    const std::pair<double, Reasons> cases[] = {
        {0.1019, {}},
        {0.0979,
         {"alkali concentration 0.0979 is 2.10% from the burette concentration 0.1, more "
          "than 2.0%"}},
        {-0.1,
         {"alkali concentration -0.1000 is 200.00% from the burette concentration 0.1, "
          "more than 2.0%"}}};
    for (const auto& [alkali, reasons] : cases)
        EXPECT_EQ(reasonsFor([&](core::ResultValues& r) { r.alkaliConc = alkali; }, 0.1), reasons)
            << alkali;
}

TEST(Verdict, MissingValuesAreReasonsOfTheirOwn) {
    const double nan = std::nan("");
    const Reasons reasons = reasonsFor([&](core::ResultValues& r) {
        r = core::ResultValues();
        r.rms = nan;
    });
    EXPECT_EQ(reasons, (Reasons{"no slope factor", "no rms residual",
                                "no protolytic impurity level", "no alkali concentration"}));
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r.slopeFactor = INFINITY; }),
              Reasons{"no slope factor"});
    for (double burette : {0.0, nan})
        EXPECT_EQ(reasonsFor([](core::ResultValues&) {}, burette),
                  Reasons{"no burette concentration to compare the alkali concentration with"});
}

TEST(Verdict, SeveralReasonsMakeOneLine) {
    core::ResultValues r = goodResults();
    r.slopeFactor = 0.9;
    r.rms = 2;
    r.impurityPercent = 3;
    const auto verdict = core::judgeCalibration(CalculationOutcome::Calibrated, r, -0.1, {});
    ASSERT_TRUE(verdict);
    EXPECT_FALSE(verdict->ok());
    EXPECT_EQ(core::verdictText(*verdict),
              "check electrode: slope factor 0.9000 is below 0.95; rms residual 2.0 mV is above "
              "1.0 mV; protolytic impurity level 3.00% is above 2.0%");
    EXPECT_EQ(core::verdictText(core::Verdict{}), "electrode OK");
    core::ScopedDecimalSeparator comma(',');
    EXPECT_EQ(reasonsFor([](core::ResultValues& r) { r.slopeFactor = 0.9412; }),
              Reasons{"slope factor 0,9412 is below 0,95"});
}

TEST(Verdict, TheUsersLimitsCount) {
    const core::VerdictLimits strict{.slopeFactorMin = 0.98,
                                     .slopeFactorMax = 1.01,
                                     .rmsMax = 0.25,
                                     .impurityMax = 0.5,
                                     .alkaliDeviationMax = 0.5};
    const Reasons reasons = reasonsFor(
        [](core::ResultValues& r) {
            r.slopeFactor = 0.975;
            r.rms = 0.26;
            r.alkaliConc = -0.1006;
        },
        -0.1, strict);
    EXPECT_EQ(reasons,
              (Reasons{"slope factor 0.9750 is below 0.98", "rms residual 0.26 mV is above 0.25 mV",
                       "alkali concentration -0.1006 is 0.60% from the burette concentration "
                       "-0.1, more than 0.5%"}));
}

TEST(Verdict, OnlyAConvergedCalculationHasOne) {
    for (auto outcome : {CalculationOutcome::NotConverged, CalculationOutcome::Stopped})
        EXPECT_FALSE(core::judgeCalibration(outcome, goodResults(), -0.1, {}));
    EXPECT_FALSE(core::judgeCalibration(CalculationOutcome::Stopped, core::Titration{}, {}));
}

TEST(Verdict, OfSimulatedCalibrations) {
    // Carbonate in the burette takes titrant without giving hydroxide: the impurity
    // level rises and the mean alkali concentration falls short of the label.
    const struct {
        double carbonate;
        Reasons starts; ///< the reasons, cut to their first words
    } cases[] = {{0, {}}, {0.05, {"protolytic impurity level", "alkali concentration"}}};
    for (const auto& c : cases) {
        core::Titration t = sim::makeTitration({.carbonateFraction = c.carbonate, .seed = 3});
        core::RecordingSink sink;
        ASSERT_TRUE(core::SelectPoints(t, sink));
        const CalculationOutcome outcome = core::Calculate(t, sink);
        ASSERT_EQ(outcome, CalculationOutcome::Calibrated);
        const auto verdict = core::judgeCalibration(outcome, t, {});
        ASSERT_TRUE(verdict);
        Reasons starts;
        for (const std::string& reason : verdict->reasons)
            starts.push_back(reason.substr(0, reason.find_first_of("0123456789-") - 1));
        EXPECT_EQ(starts, c.starts) << c.carbonate;
    }
}

} // namespace

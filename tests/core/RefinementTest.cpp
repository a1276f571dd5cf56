#include "core/Refinement.h"

#include "Crafted.h"
#include "core/ElectrodeModel.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using core::RefinementEnding;
using Column = std::vector<double>;

/// Used points at these volumes with emf E0 + slope * x + noise, where x is the
/// point's term of the calculated emf (Gamma held, so the model is linear).
struct Linear {
    core::Titration t;
    Column x;
    core::RecordingSink sink;

    Linear(core::Titration titration, const Column& volumes, double E0 = 400, double slope = 59.16,
           const Column& noise = {})
        : t(std::move(titration)) {
        const double v0 = t.v0.value, pKw = crafted::state(t).inputs.pKw;
        const core::ElectrodeModel m{
            v0, v0 + t.v1.value, t.Initial.value, t.Burette.value, pKw, {0, 1, 1},
            1,  t.EndPointRatio};
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            x.push_back(core::Ycalc(m, volumes[i]));
            core::Point& p = t.points.emplace_back();
            p.Volume = volumes[i];
            p.UsePoint = true;
            p.EmfObs = E0 + slope * x[i] + (noise.empty() ? 0 : noise[i]);
        }
    }
    /// Refines from `start`; checks the ending and the stop message.
    core::CalculationState calibrate(std::array<double, 3> start, RefinementEnding ending,
                                     const std::string& message = "") {
        t.Param = start;
        sink.messages.clear();
        core::CalculationState s = crafted::state(t);
        std::string stop;
        EXPECT_EQ(core::Calibrate(s, sink, stop), ending);
        EXPECT_EQ(stop, message);
        return s;
    }
};

core::Titration acid25() {
    return crafted::titration(25, 25, 0.02, -0.1);
}

TEST(Calibrate, ConvergesOnTheLeastSquaresLineWithItsDeviations) {
    // Pairs of points at one volume with residuals e and -e from (400, 59.16):
    // orthogonal to both columns, so the least squares line is exactly there.
    const double e = std::sqrt(0.1 / 8); // a sum of squares of 0.1
    Linear d(acid25(), {1, 1, 2, 2, 3, 3, 4, 4}, 400, 59.16, {e, -e, e, -e, e, -e, e, -e});
    // From the line itself the first evaluation converges before its sum of squares,
    // which grows when reduced to single precision, is compared with the start's.
    // From (405, 60.3) the full step is accepted and the next evaluation converges.
    for (int iterations : {1, 2}) {
        const std::array<double, 3> start{iterations == 1 ? 400.0 : 405.0,
                                          iterations == 1 ? 59.16 : 60.3, 1};
        core::CalculationState s = d.calibrate(start, RefinementEnding::Converged);
        EXPECT_EQ(s.results.iterations, iterations);
        EXPECT_NEAR(s.model.Param[0], 400, 1e-9);
        EXPECT_NEAR(s.model.Param[1], 59.16, 1e-9);
        // The line's deviations from the single-precision sum of squares over n - 2,
        // worked out from the centred sums of x; the rms over n.
        EXPECT_NEAR(s.ParamSD[0] / 0.463222717588, 1, 1e-6);
        EXPECT_NEAR(s.ParamSD[1] / 0.19409134279, 1, 1e-6);
        EXPECT_NEAR(*s.results.rms, 0.11180339970799, 1e-12);
        EXPECT_TRUE(d.sink.messages.empty());
        s.showCaptions();
        // Each value to the decimals of its one-figure deviation; Gamma held shows no deviation.
        const std::string n = std::to_string(iterations);
        EXPECT_EQ(s.captions, (core::ResultCaptions{"400.0", "0.5", "59.2", "0.2", "1.0000", "",
                                                    "0.1118", n, "", "", "", "", "", "", ""}));
    }
}

TEST(Calibrate, HalvingCountsAsAnIteration) {
    // No acid in the titrand and EndPointRatio 10: every point's emf term is -m
    // and its slope derivative -(m - 1), the derivative leaving the ratio out.
    // From (E0, slope + 10) the step lands on (E0 + 10, slope), all residuals -10:
    // the sum of squares rises, and half the step lowers it.
    core::Titration t = crafted::titration(10, 0, 0, -0.25);
    t.inputs.pKbox = "0.743";
    t.EndPointRatio = 10;
    Linear d(t, {0.05, 0.2, 1, 5, 20}, 400, 50);
    const core::CalculationState s = d.calibrate({400, 60, 1}, RefinementEnding::Converged);
    // Raised, halved (2); to (E0 + 5, slope) (3); to the solution (4); converged (5).
    EXPECT_EQ(s.results.iterations, 5);
    EXPECT_NEAR(s.model.Param[0], 400, 1e-9);
    EXPECT_NEAR(s.model.Param[1], 50, 1e-9);
}

TEST(Calibrate, ARefinedGammaBeyondTheEndPointConverges) {
    // Points beyond the end-point only, made with Gamma 1: from 1.05 the
    // refinement finds it again, where step halving on a derivative damped by
    // Kw / TotalH^2 used to run out of iterations.
    Linear d(acid25(), {5.5, 5.75, 6, 6.5, 7, 7.5});
    d.t.inputs.RefineGamma = true;
    d.t.inputs.GammaBox = "1.05";
    d.t.Gamma = 1.05;
    core::CalculationState s = d.calibrate({400, 59.16, 1.05}, RefinementEnding::Converged);
    EXPECT_TRUE(d.sink.messages.empty());
    EXPECT_NEAR(*s.results.E0, 400, 1e-6);
    EXPECT_NEAR(*s.results.gamma, 1, 1e-9);
    EXPECT_EQ(s.results.refined, (std::vector<std::string>{"E0", "slope", "Gamma"}));
    s.showCaptions();
    EXPECT_EQ(s.captions.Values7, std::to_string(*s.results.iterations));
}

TEST(Calibrate, EndsWithoutConvergingWhenTheDataCannotSupportIt) {
    // No titrant: nothing depends on Gamma, so its pivot is zero. The parameters stay.
    Linear singular(crafted::titration(25, 25, 0.02, 0), {0, 1, 2, 3}, 400, 59.16,
                    {0.1, -0.1, 0.2, 0});
    singular.t.inputs.RefineGamma = true;
    const core::CalculationState s = singular.calibrate({401, 59, 1}, RefinementEnding::Failed);
    EXPECT_EQ(singular.sink.messages,
              (crafted::Messages{{"refinement failed", "Electrode calibration"}}));
    EXPECT_EQ(s.model.Param, (std::array<double, 3>{401, 59, 1}));
    EXPECT_FALSE(s.results.iterations);
    // A stop sends nothing itself. TotalH 1 at no titrant and 100 at 1 ml: slope
    // terms 0 and 2, every number of the step exact, and it lands on E0 = 0.
    Linear zero(crafted::titration(1, 0, 1, 199), {0, 0, 1, 1}, 0, 50, {1, -1, 1, -1});
    ASSERT_EQ(zero.x[2], 2.0);
    zero.calibrate({8, 40, 1}, RefinementEnding::Stopped, "E0 became zero in the refinement");
    EXPECT_TRUE(zero.sink.messages.empty());
    // Two pairs of points 1e-9 ml apart with residuals orthogonal to both columns:
    // no step, and rounding leaves the second pivot below zero.
    Linear close(acid25(), {1, 1, 1 + 1e-9, 1 + 1e-9}, 400, 59.16, {0.25, -0.25, 0.25, -0.25});
    close.calibrate({400, 59.16, 1}, RefinementEnding::Stopped,
                    "negative variance in the refinement");
    EXPECT_TRUE(close.sink.messages.empty());
}

} // namespace

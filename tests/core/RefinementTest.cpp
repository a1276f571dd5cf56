#include "core/Refinement.h"

#include "Crafted.h"
#include "core/ElectrodeModel.h"
#include "core/Format.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using core::RefinementEnding;
using Column = std::vector<double>;

double dot(const Column& a, const Column& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

/// A titration of used points at these volumes, its state and each point's
/// term x of the calculated emf, E0 + slope * x (Gamma held, so the model is linear).
struct Linear {
    core::Titration t;
    Column x;

    Linear(core::Titration titration, const Column& volumes) : t(std::move(titration)) {
        core::ElectrodeModel m = crafted::preparedModel(crafted::state(t));
        m.Param = {0, 1, 1};
        for (double v : volumes) {
            x.push_back(core::Ycalc(m, v));
            t.points.emplace_back();
            t.points.back().Volume = v;
            t.points.back().UsePoint = true;
        }
    }
    void setEmf(double E0, double slope, const Column& noise) {
        for (std::size_t i = 0; i < x.size(); ++i)
            t.points[i].EmfObs = E0 + slope * x[i] + noise[i];
    }
    RefinementEnding calibrate(core::CalculationState& s, core::RecordingSink& sink) {
        std::string stop;
        const RefinementEnding ending = core::Calibrate(s, sink, stop);
        EXPECT_EQ(stop, "");
        return ending;
    }
};

/// Eight points on the acid branch of 25 ml of 0.02 M acid.
Linear acidBranch() {
    return {crafted::titration(25, 25, 0.02, -0.1), {0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4}};
}

TEST(Calibrate, AcceptedStepThenConvergenceGivesTheLeastSquaresLine) {
    Linear d = acidBranch();
    const Column noise{0.03, -0.05, 0.02, 0.04, -0.01, -0.06, 0.05, -0.02};
    d.setEmf(400, 59.16, noise);
    d.t.Param = {405, 60.3, 1};
    core::CalculationState s = crafted::state(d.t);
    core::RecordingSink sink;
    ASSERT_EQ(d.calibrate(s, sink), RefinementEnding::Converged);
    // One full step to the solution, then a step too small to go on.
    EXPECT_EQ(s.results.iterations, 2);

    // The straight line through (x, emf) in closed form; the deviations from the
    // single-precision sum of squares over n - 2, the rms over n.
    const double n = 8, mx = std::accumulate(d.x.begin(), d.x.end(), 0.0) / n;
    double sxx = 0, sxy = 0, ssq = 0;
    for (std::size_t i = 0; i < 8; ++i)
        sxx += std::pow(d.x[i] - mx, 2), sxy += (d.x[i] - mx) * d.t.points[i].EmfObs;
    const double slope = sxy / sxx, E0 = 400 +
                                         std::accumulate(noise.begin(), noise.end(), 0.0) / n +
                                         (59.16 - slope) * mx;
    for (std::size_t i = 0; i < 8; ++i)
        ssq += std::pow(d.t.points[i].EmfObs - E0 - slope * d.x[i], 2);
    ssq = static_cast<float>(ssq);
    const double E0sd = std::sqrt(ssq / (n - 2) * (1 / n + mx * mx / sxx));
    EXPECT_NEAR(s.model.Param[0], E0, 1e-9);
    EXPECT_NEAR(s.model.Param[1], slope, 1e-9);
    EXPECT_NEAR(s.ParamSD[0], E0sd, 1e-6 * E0sd);
    EXPECT_NEAR(s.ParamSD[1], std::sqrt(ssq / (n - 2) / sxx), 1e-6 * s.ParamSD[1]);
    EXPECT_NEAR(*s.results.rms, std::sqrt(ssq / n), 1e-12);

    s.showCaptions();
    EXPECT_EQ(s.captions.Values7, "2");
    EXPECT_EQ(s.captions.E0sd, core::OneFig(E0sd));
    EXPECT_EQ(s.captions.E0Value, core::formatNumber(E0, core::formt(s.captions.E0sd)));
    EXPECT_EQ(s.captions.SlopeFactor, core::formatNumber(slope / 59.158, "0.0000"));
    EXPECT_EQ(s.captions.GammaSd, "") << "Gamma held: its deviation is not shown";
}

TEST(Calibrate, ConvergenceIsTestedBeforeTheSumOfSquares) {
    // Residuals orthogonal to both columns leave the solution exactly at the
    // start; their sum of squares, 0.1, grows when reduced to single precision.
    Linear d = acidBranch();
    Column p{1, -1, 1, -1, -1, 1, -1, 1}, ones(8, 1.0), x = d.x;
    for (double& v : x)
        v -= dot(d.x, ones) / 8;
    for (const Column* u : {&ones, &x}) {
        const double k = dot(*u, p) / dot(*u, *u);
        for (std::size_t i = 0; i < 8; ++i)
            p[i] -= k * (*u)[i];
    }
    const double scale = std::sqrt(0.1 / dot(p, p));
    for (double& v : p)
        v *= scale;
    d.setEmf(400, 59.16, p);
    d.t.Param = {400, 59.16, 1};
    core::CalculationState s = crafted::state(d.t);
    const double start = core::Ssq(crafted::preparedModel(s), s.points, s.Resid);
    ASSERT_GT(static_cast<double>(static_cast<float>(start)), start);
    core::RecordingSink sink;
    ASSERT_EQ(d.calibrate(s, sink), RefinementEnding::Converged);
    EXPECT_EQ(s.results.iterations, 1);
}

TEST(Calibrate, HalvingCountsAsAnIteration) {
    // No acid in the titrand and EndPointRatio 10: every point's emf term is -m
    // and its slope derivative -(m - 1), the derivative leaving the ratio out.
    // From (E0, slope + 10) the step lands on (E0 + 10, slope), all residuals -10.
    core::Titration t = crafted::titration(10, 0, 0, -0.25);
    t.inputs.pKbox = "0.743";
    t.EndPointRatio = 10;
    Linear d(t, {0.05, 0.2, 1, 5, 20});
    double mm = 0, m1 = 0;
    for (std::size_t i = 0; i < d.x.size(); ++i) {
        const double n =
            -core::CalcDerivs(crafted::preparedModel(crafted::state(d.t)), d.t.points[i].Volume)[1];
        ASSERT_NEAR(-d.x[i] - n, 1, 1e-12);
        mm += d.x[i] * d.x[i];
        m1 += std::pow(d.x[i] + 1, 2);
    }
    // The full step raises the sum of squares, half of it lowers it, the next steps too.
    ASSERT_TRUE(5 > mm && m1 <= 4 * mm && 5 <= m1);
    d.setEmf(400, 50, Column(5, 0.0));
    d.t.Param = {400, 60, 1};
    core::CalculationState s = crafted::state(d.t);
    core::RecordingSink sink;
    ASSERT_EQ(d.calibrate(s, sink), RefinementEnding::Converged);
    // Raised, halved (2); to (E0 + 5, slope) (3); to the solution (4); converged (5).
    EXPECT_EQ(s.results.iterations, 5);
    EXPECT_NEAR(s.model.Param[0], 400, 1e-9);
    EXPECT_NEAR(s.model.Param[1], 50, 1e-9);
}

TEST(Calibrate, TheTwentySixthEvaluationStops) {
    // Gamma refined on points beyond the end-point only: there its derivative
    // carries Kw / TotalH^2, the step in Gamma is enormous and every evaluation
    // halves it again until the iterations run out.
    Linear d(crafted::titration(25, 25, 0.02, -0.1), {5.5, 5.75, 6, 6.5, 7, 7.5});
    d.setEmf(400, 59.16, Column(6, 0.0));
    d.t.inputs.RefineGamma = true;
    d.t.inputs.GammaBox = "1.05";
    d.t.Gamma = 1.05;
    d.t.Param = {400, 59.16, 1.05};
    d.t.captions.E0Value = "earlier";
    core::CalculationState s = crafted::state(d.t);
    core::RecordingSink sink;
    std::string stop;
    EXPECT_EQ(core::Calibrate(s, sink, stop), RefinementEnding::Exhausted);
    EXPECT_EQ(sink.messages, (std::vector<core::Message>{{" iterations failing to converge", ""}}));
    EXPECT_EQ(s.results.iterations, 26);
    EXPECT_FALSE(s.results.E0);
    // One step and 25 halvings: Param keeps the last halved step, Gamma the full one.
    EXPECT_NEAR((s.model.Gamma - 1.05) / (s.model.Param[2] - 1.05), 1 << 25, 1.0);
    s.showCaptions();
    EXPECT_EQ(s.captions.Values7, "26");
    EXPECT_EQ(s.captions.E0Value, "earlier");
    EXPECT_EQ(s.GammaBox, "1.05");
}

TEST(Calibrate, SingularSystemFails) {
    // No titrant: nothing depends on Gamma, so its pivot is zero.
    Linear d(crafted::titration(25, 25, 0.02, 0), {0, 1, 2, 3});
    d.setEmf(400, 59.16, {0.1, -0.1, 0.2, 0});
    d.t.inputs.RefineGamma = true;
    d.t.Param = {401, 59, 1};
    core::CalculationState s = crafted::state(d.t);
    core::RecordingSink sink;
    EXPECT_EQ(d.calibrate(s, sink), RefinementEnding::Failed);
    EXPECT_EQ(sink.messages,
              (std::vector<core::Message>{{"refinement failed", "Electrode calibration"}}));
    EXPECT_EQ(s.model.Param, (std::array<double, 3>{401, 59, 1}));
    EXPECT_FALSE(s.results.iterations);
}

TEST(Calibrate, StopsWhenTheDataCannotSupportIt) {
    // TotalH 1 at no titrant and 100 at 1 ml: slope terms 0 and 2, every number
    // of the step exact, and it lands on E0 = 0.
    Linear zero(crafted::titration(1, 0, 1, 199), {0, 0, 1, 1});
    zero.setEmf(0, 50, {1, -1, 1, -1});
    zero.t.Param = {8, 40, 1};
    ASSERT_EQ(zero.x[2], 2.0);
    // Two pairs of points 1e-9 ml apart with residuals orthogonal to both columns:
    // no step, and rounding leaves the second pivot below zero.
    Linear close(crafted::titration(25, 25, 0.02, -0.1), {1, 1, 1 + 1e-9, 1 + 1e-9});
    close.setEmf(400, 59.16, {0.25, -0.25, 0.25, -0.25});
    close.t.Param = {400, 59.16, 1};
    Linear two(crafted::titration(25, 25, 0.02, -0.1), {1, 2});
    Linear three(crafted::titration(25, 25, 0.02, -0.1), {1, 2, 3, 4});
    three.t.points[2].UsePoint = false; // switched by hand: the count follows the flags
    three.t.inputs.RefineGamma = true;
    const struct {
        Linear& data;
        const char* message;
    } cases[] = {{zero, "E0 became zero in the refinement"},
                 {close, "negative variance in the refinement"},
                 {two, "too few points used for the refinement: 2 used, 3 needed"},
                 {three, "too few points used for the refinement: 3 used, 4 needed"}};
    for (const auto& c : cases) {
        core::CalculationState s = crafted::state(c.data.t);
        core::RecordingSink sink;
        std::string stop;
        EXPECT_EQ(core::Calibrate(s, sink, stop), RefinementEnding::Stopped);
        EXPECT_EQ(stop, c.message);
        EXPECT_TRUE(sink.messages.empty()) << "a stop sends nothing itself";
    }
}

} // namespace

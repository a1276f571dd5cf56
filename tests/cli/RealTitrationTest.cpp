#include "cli/Calibrator.h"
#include "core/Calculation.h"
#include "core/Selection.h"
#include "io/DataFile.h"
#include "io/ImportProfile.h"

#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

// A real HCl / NaOH titration in NaCl from another laboratory, read where the
// shared data lie beside the clone; it is never copied into the repository.
//
// The reference optimum was computed once with scipy.optimize.least_squares
// (method "lm", xtol = ftol = gtol = 1e-15) on the model as Ycalc evaluates it:
// the points used and the conditions as single-precision numbers from the JSON
// line of `tamo-calibrate --ranges 2.5,4,9,10.5 --pkw 13.82 --temperature 20
// --refine-gamma [--refine-pkw] --format json`. With Gamma refined the
// end-point ratio was fixed at the Gran fits' 0.9931413835287406 of that line
// and the fit started 1 mV, 1 % and 0.1 % away from the program's result; with
// pKw refined the ratio was a fifth parameter, pKw started 0.02 and the ratio
// 0.1 % away.

namespace {

const std::string kFile =
    std::string(TAMO_SHARED_DATA_DIR) + "/converted/hcl-naoh-nacl-20210608.txt";

struct Reference {
    double E0, slope, gamma, pKw, EndPointRatio, rms;
};
constexpr Reference kGammaRefined{409.328409516013,   58.19763621458487,
                                  1.0168998879362443, 13.82,
                                  0.9931413835287406, 0.037297631293140544};
constexpr Reference kPKwRefined{409.6381200171731,  58.29331694129764,  1.0163521575050367,
                                13.808709226932248, 0.9938020092702773, 0.036788540167673994};

core::Titration calibrated(const std::string& celsius, bool refinePKw) {
    core::Titration t;
    t.inputs.Range = {"2.5", "4", "9", "10.5"};
    t.inputs.pKbox = "13.82";
    t.inputs.Tbox = celsius;
    t.inputs.RefineGamma = true;
    t.inputs.RefinePKw = refinePKw;
    core::RecordingSink sink;
    EXPECT_TRUE(io::ReadDataFile(kFile, t, sink));
    EXPECT_TRUE(core::SelectPoints(t, sink));
    EXPECT_EQ(core::Calculate(t, sink), core::CalculationOutcome::Calibrated) << celsius;
    return t;
}

void expectRelative(double value, double reference, const char* what, const std::string& start) {
    EXPECT_NEAR(value, reference, 1e-6 * std::abs(reference)) << what << " from " << start << " C";
}

TEST(RealTitration, EveryStartReachesTheLeastSquaresOptimum) {
    if (!QFileInfo::exists(QString::fromStdString(kFile)))
        GTEST_SKIP() << "the shared real data are not beside the clone";
    for (const bool refinePKw : {false, true}) {
        const Reference& ref = refinePKw ? kPKwRefined : kGammaRefined;
        for (int celsius = 10; celsius <= 40; celsius += 3) {
            const std::string start = std::to_string(celsius) + (celsius % 2 ? ".5" : "");
            const core::Titration t = calibrated(start, refinePKw);
            const core::ResultValues& r = t.results;
            ASSERT_TRUE(r.E0 && r.rms) << start;
            EXPECT_NEAR(*r.E0, ref.E0, 0.01) << start;
            EXPECT_LE(*r.rms, refinePKw ? 0.1 : 0.352) << start;
            expectRelative(*r.E0, ref.E0, "E0", start);
            expectRelative(*r.slope, ref.slope, "slope", start);
            expectRelative(*r.gamma, ref.gamma, "Gamma", start);
            expectRelative(*r.rms, ref.rms, "rms", start);
            expectRelative(t.EndPointRatio, ref.EndPointRatio, "end-point ratio", start);
            if (refinePKw)
                expectRelative(*r.pKw, ref.pKw, "pKw", start);
        }
    }
}

TEST(RealTitration, AcidOnlyWithTheNernstSlopeWarnsOfItsTrendAndGammaRefinedDoesNot) {
    const std::string folder =
        std::string(TAMO_SHARED_DATA_DIR) + "/ax-naoh-calibration-hcl-nacl/NaOHdata/";
    if (!QFileInfo::exists(QString::fromStdString(folder)))
        GTEST_SKIP() << "the shared real data are not beside the clone";
    cli::Options o;
    o.importProfile.emplace();
    ASSERT_EQ(io::loadProfile("gravimetric", *o.importProfile), "");
    o.inputs.branch = core::Branch::Acid;
    o.inputs.Tbox = "20";
    o.files = {folder + "20210309 KCl-3-A.csv", folder + "20210607 NaCl-38-A.csv"};
    for (const bool refineGamma : {false, true}) {
        o.inputs.RefineGamma = refineGamma;
        const cli::RunResult run = cli::calibrateFiles(o, "today");
        const auto warnings = [&](const char* text) {
            std::size_t n = 0;
            for (auto at = run.errors.find(text); at != std::string::npos;
                 at = run.errors.find(text, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(warnings("the residuals trend"), refineGamma ? 0u : 2u) << run.errors;
        EXPECT_EQ(warnings("; refine Gamma, or the slope\n"), refineGamma ? 0u : 2u) << run.errors;
    }
}

} // namespace

// What makes two logbook records the same calibration.

#include "io/LogbookRecord.h"

#include "core/CalibrationRun.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

/// The record of a titration run as the window runs it: first from the
/// selection, then again from where that run left the points and Gamma.
struct Recalculated {
    io::LogbookRecord first, again;
};

Recalculated recordsOf(const std::string& dataFile, bool refineGamma) {
    core::Titration t;
    t.inputs.RefineGamma = refineGamma;
    core::RecordingSink sink;
    EXPECT_TRUE(io::ReadDataFile(dataFile, t, sink));
    Recalculated r;
    for (auto [from, record] : {std::pair{core::RunFrom::Selection, &r.first},
                                std::pair{core::RunFrom::Calculation, &r.again}}) {
        io::RecordContext context{.electrode = "glass 7", .dataFile = dataFile};
        context.typed = t.inputs; // a refined Gamma was written back to its box
        const core::CalibrationRun run = core::runCalibration(t, {}, sink, {from});
        EXPECT_TRUE(run.calibrated());
        context.startPH = run.start.pointPH;
        context.endPointRatio = run.start.endPointRatio;
        EXPECT_EQ(io::makeLogbookRecord(t, *run.verdict, context, *record), "");
    }
    return r;
}

TEST(SameCalibration, IsTheSameDataInputsPointsAndResultsWhateverTheStart) {
    QTemporaryDir dir;
    const std::string dataFile = dir.filePath("run.txt").toStdString();
    ASSERT_EQ(io::WriteDataFile(dataFile, io::dataFileTexts(sim::makeTitration(
                                              {.carbonateFraction = 0.05, .seed = 9}))),
              "");
    using Change = std::function<void(io::LogbookRecord&)>;
    const struct {
        const char* name;
        Change change;
        bool same;
    } cases[] = {
        {"as recalculated", [](io::LogbookRecord&) {}, true},
        {"the electrode in capitals", [](io::LogbookRecord& r) { r.electrode = "GLASS 7"; }, true},
        {"another start pH", [](io::LogbookRecord& r) { r.points[3].startPH += 0.01; }, true},
        {"E0 by a part in 10^9", [](io::LogbookRecord& r) { r.E0 *= 1 + 1e-9; }, true},
        {"the impurity level by 10^-8 %", [](io::LogbookRecord& r) { r.impurityPercent += 1e-8; },
         true},
        {"another comment", [](io::LogbookRecord& r) { r.comment = "again"; }, true},
        {"another electrode", [](io::LogbookRecord& r) { r.electrode = "glass 8"; }, false},
        {"other data", [](io::LogbookRecord& r) { r.dataSha256[0] ^= 1; }, false},
        {"another source file", [](io::LogbookRecord& r) { r.sourceSha256 = "x"; }, false},
        {"another temperature", [](io::LogbookRecord& r) { r.temperature += 0.1; }, false},
        {"another range", [](io::LogbookRecord& r) { r.ranges[2] = 10.9; }, false},
        {"Gamma refined or not", [](io::LogbookRecord& r) { r.gammaRefined = !r.gammaRefined; },
         false},
        {"a point switched", [](io::LogbookRecord& r) { r.points[5].used = !r.points[5].used; },
         false},
        {"an emf corrected", [](io::LogbookRecord& r) { r.points[5].emf += 0.01; }, false},
        {"a point less", [](io::LogbookRecord& r) { r.points.pop_back(); }, false},
        {"E0 by a part in 10^6", [](io::LogbookRecord& r) { r.E0 *= 1 + 1e-6; }, false},
        {"the slope factor by 10^-6", [](io::LogbookRecord& r) { r.slopeFactor += 1e-6; }, false},
        {"the impurity level by 10^-5 %", [](io::LogbookRecord& r) { r.impurityPercent += 1e-5; },
         false},
    };
    for (bool refineGamma : {false, true}) {
        SCOPED_TRACE(refineGamma ? "Gamma refined" : "Gamma constant");
        const Recalculated r = recordsOf(dataFile, refineGamma);
        EXPECT_NE(r.first.points, r.again.points) << "the start pH moved";
        for (const auto& c : cases) {
            io::LogbookRecord changed = r.again;
            c.change(changed);
            EXPECT_EQ(io::sameCalibration(r.first, changed), c.same) << c.name;
        }
        // A constant Gamma is an input: another value is another calibration.
        io::LogbookRecord other = r.again;
        other.gammaTyped += 0.001;
        EXPECT_EQ(io::sameCalibration(r.first, other), refineGamma);
    }
}

} // namespace

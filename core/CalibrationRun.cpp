#include "CalibrationRun.h"

#include "Selection.h"

namespace core {

namespace {

void clearResults(Titration& t) {
    t.captions = {};
    t.results = {};
}

} // namespace

CalibrationRun runCalibration(Titration& t, const VerdictLimits& limits, MessageSink& sink,
                              const RunOptions& options) {
    CalibrationRun run;
    run.selected = options.from == RunFrom::Calculation || SelectPoints(t, sink);
    if (!run.selected) {
        clearResults(t);
        return run;
    }
    t.EndPointRatio = kFreshEndPointRatio;
    run.start.endPointRatio = t.EndPointRatio;
    run.start.pointPH.reserve(t.points.size());
    for (const Point& p : t.points)
        run.start.pointPH.push_back(p.PointPH);
    std::optional<Titration> before;
    if (options.sensitivity)
        before = t;
    run.outcome = Calculate(t, sink);
    if (!run.calculated()) {
        clearResults(t);
        return run;
    }
    if (before)
        t.results.sensitivity = E0sensitivity(*before);
    run.verdict = judgeCalibration(run.outcome, t, limits);
    return run;
}

} // namespace core

#include "CalibrationRun.h"

#include "Format.h"
#include "Selection.h"

#include <algorithm>

namespace core {

namespace {

void clearResults(Titration& t) {
    t.captions = {};
    t.results = {};
}

RunStart startOf(const Titration& t) {
    RunStart start;
    start.endPointRatio = t.EndPointRatio;
    start.pointPH.reserve(t.points.size());
    for (const Point& p : t.points)
        start.pointPH.push_back(p.PointPH);
    return start;
}

std::vector<unsigned char> usedPoints(const Titration& t) {
    std::vector<unsigned char> used;
    used.reserve(t.points.size());
    for (const Point& p : t.points)
        used.push_back(p.UsePoint ? 1 : 0);
    return used;
}

void forward(const RecordingSink& from, MessageSink& to) {
    for (const Message& m : from.messages)
        to.identifiedMessage(m.id, m.text, m.title);
}

std::string unsettledSelection(double pKw) {
    return "the points selected with the refined pKw do not settle (pKw " +
           formatNumber(pKw, "#0.000") +
           " selects other points than the pKw they were selected with): widen the alkali range";
}

/// One round: select, calculate from the fresh end-point ratio.
void selectAndCalculateOnce(Titration& t, const RunInputs& in, RunFrom from, MessageSink& sink,
                            bool keepSelected, SelectedCalculation& run) {
    run.selected = from == RunFrom::Calculation || SelectPoints(t, in.selection, sink);
    if (!run.selected)
        return;
    t.EndPointRatio = kFreshEndPointRatio;
    run.start = startOf(t);
    if (keepSelected)
        run.asSelected = t;
    run.outcome = Calculate(t, in.calculation, sink);
}

} // namespace

SelectedCalculation selectAndCalculate(Titration& t, const RunInputs& in, RunFrom from,
                                       MessageSink& sink, bool keepSelected) {
    SelectedCalculation run;
    if (from == RunFrom::Calculation || !in.calculation.RefinePKw) {
        selectAndCalculateOnce(t, in, from, sink, keepSelected, run);
        return run;
    }
    // The selection's pH of alkaline points depends on pKw: the refined pKw
    // selects again, so that its start does not pick the points, and the answer.
    const Titration before = t;
    RunInputs round = in;
    std::vector<std::vector<unsigned char>> seen;
    for (int rounds = 1;; ++rounds) {
        if (rounds > 1)
            t = before;
        RecordingSink messages; // an earlier round's messages are not the user's
        selectAndCalculateOnce(t, round, from, messages, keepSelected, run);
        std::vector<unsigned char> next;
        if (run.outcome != CalculationOutcome::Stopped && t.results.pKw) {
            seen.push_back(usedPoints(t));
            round.selection.pKw = *t.results.pKw;
            next = pointsInRanges(t, round.selection);
        }
        if (next.empty() || next == seen.back()) {
            forward(messages, sink);
            return run;
        }
        if (rounds == kSelectionRounds || std::find(seen.begin(), seen.end(), next) != seen.end()) {
            forward(messages, sink);
            sink.message(unsettledSelection(*t.results.pKw));
            return run;
        }
    }
}

CalibrationRun runCalibration(Titration& t, const VerdictLimits& limits, MessageSink& sink,
                              const RunOptions& options) {
    CalibrationRun run;
    RunInputs in;
    if (options.from == RunFrom::Selection) {
        if (const std::string problem = zeroVolumeProblem(t); !problem.empty()) {
            sink.message(problem);
            clearResults(t);
            return run;
        }
        in.selection = readSelectionInputs(t.inputs, sink);
    }
    in.calculation = readCalculationInputs(t.inputs, sink);
    SelectedCalculation calculated =
        selectAndCalculate(t, in, options.from, sink, options.sensitivity);
    run.selected = calculated.selected;
    run.outcome = calculated.outcome;
    run.start = std::move(calculated.start);
    if (!run.calculated()) {
        clearResults(t);
        return run;
    }
    if (calculated.asSelected)
        t.results.sensitivity = E0sensitivity(*calculated.asSelected);
    run.verdict = judgeCalibration(run.outcome, t, limits);
    return run;
}

} // namespace core

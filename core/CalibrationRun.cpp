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

/// The points that are used in some selections and not in others.
std::string pointsThatComeAndGo(const std::vector<std::vector<unsigned char>>& selections) {
    std::vector<std::size_t> points;
    for (std::size_t i = 0; i < selections.front().size(); ++i)
        for (const std::vector<unsigned char>& used : selections)
            if (used[i] != selections.front()[i]) {
                points.push_back(i + 1);
                break;
            }
    std::string text = points.size() == 1 ? "point " : "points ";
    for (std::size_t k = 0; k < points.size(); ++k)
        text += (k == 0 ? "" : k + 1 == points.size() ? " and " : ", ") + std::to_string(points[k]);
    return text + (points.size() == 1 ? " comes and goes" : " come and go");
}

std::string unsettledSelection(const std::vector<std::vector<unsigned char>>& cycle) {
    return "the refined pKw does not settle the points of the alkali range (" +
           pointsThatComeAndGo(cycle) +
           " at an edge): the calculation uses the selection with the most points";
}

/// A selection of the rounds and the pKw that selects it.
struct Selected {
    double pKw;
    std::vector<unsigned char> used;
};

/// Of the selections the rounds go round between, the one with the most points
/// (the same whichever start led into the round).
const Selected& largest(const std::vector<Selected>& cycle) {
    const auto count = [](const Selected& s) {
        return std::count(s.used.begin(), s.used.end(), 1);
    };
    return *std::max_element(cycle.begin(), cycle.end(), [&](const Selected& a, const Selected& b) {
        return count(a) != count(b) ? count(a) < count(b) : a.used < b.used;
    });
}

/// Selects on the titration, or on the one the options name and copies that
/// selection over.
bool select(Titration& t, const SelectionInputs& in, const SelectionOptions& options,
            MessageSink& sink) {
    if (!SelectPoints(t, in, sink))
        return false;
    if (options.selectOn) {
        const PointSelection selection = selectionOf(*options.selectOn, in);
        for (std::size_t i = 0; i < t.points.size(); ++i) {
            t.points[i].PointPH = selection.pH[i];
            t.points[i].UsePoint = selection.used[i] != 0;
        }
    }
    return true;
}

/// One round: select, calculate from the fresh end-point ratio.
void selectAndCalculateOnce(Titration& t, const RunInputs& in, RunFrom from, MessageSink& sink,
                            const SelectionOptions& options, SelectedCalculation& run) {
    run.selected = from == RunFrom::Calculation || select(t, in.selection, options, sink);
    if (!run.selected)
        return;
    t.EndPointRatio = kFreshEndPointRatio;
    run.start = startOf(t);
    if (options.keepSelected)
        run.asSelected = t;
    run.outcome = Calculate(t, in.calculation, sink);
}

} // namespace

SelectedCalculation selectAndCalculate(Titration& t, const RunInputs& in, RunFrom from,
                                       MessageSink& sink, const SelectionOptions& options) {
    SelectedCalculation run;
    if (from == RunFrom::Calculation || !in.calculation.RefinePKw) {
        selectAndCalculateOnce(t, in, from, sink, options, run);
        return run;
    }
    // The selection's pH of alkaline points depends on pKw: the refined pKw
    // selects again, so that its start does not pick the points, and the answer.
    const Titration before = t;
    RunInputs round = in;
    std::vector<Selected> seen; // each round's selection and the pKw that made it
    for (int rounds = 1;; ++rounds) {
        if (rounds > 1)
            t = before;
        RecordingSink messages; // an earlier round's messages are not the user's
        selectAndCalculateOnce(t, round, from, messages, options, run);
        if (run.outcome == CalculationOutcome::Stopped || !t.results.pKw) {
            forward(messages, sink);
            if (rounds > 1 && run.outcome == CalculationOutcome::Stopped)
                sink.message("these points were selected with the pKw " +
                             formatNumber(round.selection.pKw, "#0.000") +
                             " refined from the points the typed pKw selects");
            return run;
        }
        seen.push_back({round.selection.pKw, usedPoints(t)});
        round.selection.pKw = *t.results.pKw;
        Selected next{round.selection.pKw,
                      pointsInRanges(options.selectOn ? *options.selectOn : t, round.selection)};
        if (next.used == seen.back().used) {
            forward(messages, sink);
            return run;
        }
        auto cycleStart = std::find_if(seen.begin(), seen.end(),
                                       [&](const Selected& s) { return s.used == next.used; });
        if (cycleStart == seen.end() && rounds < kSelectionRounds)
            continue;
        // Each selection of the cycle with the pKw that selects it there.
        std::vector<Selected> cycle(cycleStart == seen.end() ? seen.begin() : cycleStart + 1,
                                    seen.end());
        cycle.push_back(std::move(next));
        std::vector<std::vector<unsigned char>> selections;
        for (const Selected& s : cycle)
            selections.push_back(s.used);
        const Selected& chosen = largest(cycle);
        if (chosen.used != seen.back().used) {
            t = before;
            messages.messages.clear();
            round.selection.pKw = chosen.pKw;
            selectAndCalculateOnce(t, round, from, messages, options, run);
        }
        forward(messages, sink);
        sink.message(unsettledSelection(selections));
        return run;
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
    SelectionOptions selection;
    selection.keepSelected = options.sensitivity;
    SelectedCalculation calculated = selectAndCalculate(t, in, options.from, sink, selection);
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

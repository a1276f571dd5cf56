#include "Selection.h"

#include "NumberEntry.h"

#include <array>
#include <cmath>
#include <string>

namespace core {

namespace {

/// Stoichiometric pH of a solution with this excess of strong acid (positive)
/// or strong base (negative), mol dm-3.
double stoichiometricPH(double TotalH, double pKw) {
    if (TotalH > 0)
        return -std::log10(TotalH);
    if (TotalH < 0)
        return pKw + std::log10(-TotalH);
    return pKw / 2;
}

double pointPH(const Titration& t, double volume, double pKw) {
    const double V0 = t.v0.value;
    const double TotalH =
        (V0 * t.Initial.value + volume * t.Burette.value) / (V0 + t.v1.value + volume);
    return stoichiometricPH(TotalH, pKw);
}

bool inRanges(const Titration& t, const SelectionInputs& in, double pH) {
    const auto& r = in.range;
    const bool alkali = t.inputs.branch == Branch::Both && r[2] < pH && pH < r[3];
    return (r[0] < pH && pH < r[1]) || alkali;
}

} // namespace

SelectionInputs readSelectionInputs(const Inputs& inputs, MessageSink& sink) {
    SelectionInputs in;
    in.Gamma = TextToNumber(inputs.GammaBox, sink);
    in.pKw = TextToNumber(inputs.pKbox, sink);
    for (std::size_t k = 0; k < in.range.size(); ++k)
        in.range[k] = TextToNumber(inputs.Range[k], sink);
    return in;
}

std::string zeroVolumeProblem(const Titration& t) {
    const double initialVolume = t.v0.value + t.v1.value;
    for (std::size_t i = 0; i < t.points.size(); ++i)
        if (initialVolume + t.points[i].Volume == 0)
            return "total volume is zero at point " + std::to_string(i + 1);
    return {};
}

bool SelectPoints(Titration& t, MessageSink& sink) {
    if (const std::string problem = zeroVolumeProblem(t); !problem.empty()) {
        sink.message(problem);
        return false;
    }
    return SelectPoints(t, readSelectionInputs(t.inputs, sink), sink);
}

bool SelectPoints(Titration& t, const SelectionInputs& in, MessageSink& sink) {
    if (const std::string problem = zeroVolumeProblem(t); !problem.empty()) {
        sink.message(problem);
        return false;
    }
    t.InitialVolume = t.v0.value + t.v1.value;
    t.TitrandConc = t.Initial.value;
    t.BuretteConc = t.Burette.value;
    t.Gamma = in.Gamma;
    t.pKw = in.pKw;
    for (Point& p : t.points) {
        p.PointPH = pointPH(t, p.Volume, t.pKw);
        p.UsePoint = inRanges(t, in, p.PointPH);
        p.Resid = 0;
        p.GranResid = 0;
    }
    return true;
}

PointSelection selectionOf(const Titration& t, const SelectionInputs& in) {
    PointSelection s;
    s.pH.reserve(t.points.size());
    s.used.reserve(t.points.size());
    for (const Point& p : t.points) {
        s.pH.push_back(pointPH(t, p.Volume, in.pKw));
        s.used.push_back(inRanges(t, in, s.pH.back()) ? 1 : 0);
    }
    return s;
}

std::vector<unsigned char> pointsInRanges(const Titration& t, const SelectionInputs& in) {
    return selectionOf(t, in).used;
}

} // namespace core

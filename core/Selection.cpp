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

} // namespace

bool SelectPoints(Titration& t, MessageSink& sink) {
    const double V0 = t.v0.value;
    const double initialVolume = V0 + t.v1.value;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        if (initialVolume + t.points[i].Volume == 0) {
            sink.message("total volume is zero at point " + std::to_string(i + 1));
            return false;
        }
    }

    t.InitialVolume = initialVolume;
    t.TitrandConc = t.Initial.value;
    t.BuretteConc = t.Burette.value;
    t.Gamma = TextToNumber(t.inputs.GammaBox, sink);
    t.pKw = TextToNumber(t.inputs.pKbox, sink);
    std::array<double, 4> r{};
    for (std::size_t k = 0; k < r.size(); ++k)
        r[k] = TextToNumber(t.inputs.Range[k], sink);

    for (Point& p : t.points) {
        const double v = p.Volume;
        const double TotalH = (V0 * t.TitrandConc + v * t.BuretteConc) / (t.InitialVolume + v);
        p.PointPH = stoichiometricPH(TotalH, t.pKw);
        const bool alkali = t.inputs.branch == Branch::Both && r[2] < p.PointPH && p.PointPH < r[3];
        p.UsePoint = (r[0] < p.PointPH && p.PointPH < r[1]) || alkali;
        p.Resid = 0;
        p.GranResid = 0;
    }
    return true;
}

} // namespace core

#pragma once

// A simulated titration with the per-point values and Gran lines a calculation
// leaves, worked out from the simulator's true electrode and end-points. Used by
// the plot tests and the plot benchmark.

#include "core/Titration.h"
#include "sim/Simulator.h"

#include <cmath>

namespace plottest {

inline core::Titration
calculatedTitration(const sim::Setup& setup,
                    const std::string& path = "/data/titrations/HCl-NaOH.txt") {
    core::Titration t = sim::makeTitration(setup);
    t.DataFilePath = path;
    sim::Setup exact = setup;
    exact.emfNoise = 0;
    const auto calculated = sim::simulate(exact);

    // Total volume times [H+] is the acid left, n - |c| V; times [OH-] the alkali in excess.
    t.AcidIntercept = setup.titrandVolume * setup.titrandConc;
    t.AcidGradient = setup.buretteConc;
    // Carbonate takes its share of the titrant without giving hydroxide.
    t.AlkaliGradient = -setup.buretteConc * (1 - setup.carbonateFraction);
    t.AlkaliIntercept = -t.AlkaliGradient * sim::alkaliEndPoint(setup);
    t.Param = {setup.E0, setup.slope, 1};
    t.results.E0 = setup.E0;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        core::Point& p = t.points[i];
        p.PointPH = (setup.E0 - p.EmfObs) / setup.slope;
        p.Resid = p.EmfObs - calculated[i].emf;
        p.UsePoint = (p.PointPH > 2.5 && p.PointPH < 4) || (p.PointPH > 10.8 && p.PointPH < 11.3);
        const bool acid = p.PointPH < 7;
        p.GranValue = (setup.titrandVolume + setup.electrolyteVolume + p.Volume) *
                      std::pow(10.0, acid ? -p.PointPH : p.PointPH - setup.pKw);
        p.GranResid = p.GranValue - (acid ? t.AcidIntercept + t.AcidGradient * p.Volume
                                          : t.AlkaliIntercept + t.AlkaliGradient * p.Volume);
    }
    return t;
}

} // namespace plottest

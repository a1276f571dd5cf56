#pragma once

// A simulated titration with the per-point values and Gran lines a calculation
// leaves, worked out from the simulator's true electrode and end-points. Used by
// the plot tests and the plot benchmark.

#include "core/Titration.h"
#include "sim/Simulator.h"

#include <cmath>

namespace plottest {

inline bool inRanges(double pH) {
    return (pH > 2.5 && pH < 4) || (pH > 10.8 && pH < 11.3);
}

inline core::Titration
calculatedTitration(const sim::Setup& setup,
                    const std::string& path = "/data/titrations/HCl-NaOH.txt") {
    core::Titration t = sim::makeTitration(setup);
    t.DataFilePath = path;
    sim::Setup exact = setup;
    exact.emfNoise = 0;
    const auto calculated = sim::simulate(exact);

    // Total volume times [H+] is the acid left, n - |c| V; times [OH-] the alkali in excess.
    const double initialVolume = setup.titrandVolume + setup.electrolyteVolume;
    const double acid = setup.titrandVolume * setup.titrandConc;
    const double alkaliEnd = sim::alkaliEndPoint(setup);
    t.AcidIntercept = acid;
    t.AcidGradient = setup.buretteConc;
    // Carbonate takes its share of the titrant without giving hydroxide.
    t.AlkaliGradient = -setup.buretteConc * (1 - setup.carbonateFraction);
    t.AlkaliIntercept = -t.AlkaliGradient * alkaliEnd;
    t.Param = {setup.E0, setup.slope, 1};
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        core::Point& p = t.points[i];
        p.PointPH = (setup.E0 - p.EmfObs) / setup.slope;
        p.Resid = p.EmfObs - calculated[i].emf;
        p.UsePoint = inRanges(p.PointPH);
        const double total = initialVolume + p.Volume;
        if (p.PointPH < 7) {
            p.GranValue = total * std::pow(10.0, -p.PointPH);
            p.GranResid = p.GranValue - (t.AcidIntercept + t.AcidGradient * p.Volume);
        } else {
            p.GranValue = total * std::pow(10.0, p.PointPH - setup.pKw);
            p.GranResid = p.GranValue - (t.AlkaliIntercept + t.AlkaliGradient * p.Volume);
        }
    }
    return t;
}

/// A point of a hand-made titration.
struct HandPoint {
    double volume, emf, pH, resid;
    bool used;
};

inline core::Titration handTitration(std::initializer_list<HandPoint> points) {
    core::Titration t;
    t.DataFilePath = "C:\\data\\hand.txt";
    for (const HandPoint& h : points) {
        core::Point p;
        p.Volume = h.volume;
        p.EmfObs = h.emf;
        p.PointPH = h.pH;
        p.Resid = h.resid;
        p.UsePoint = h.used;
        t.points.push_back(p);
    }
    return t;
}

} // namespace plottest

#pragma once

#include "core/Titration.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

/// A strong acid / strong base titration to simulate. Concentrations are signed
/// hydrogen-ion concentrations (acid positive, alkali negative).
struct Setup {
    std::string id = "simulated titration";
    double titrandVolume = 25;     ///< ml
    double electrolyteVolume = 25; ///< ml
    double titrandConc = 0.02;     ///< mol dm-3
    double buretteConc = -0.1;     ///< mol dm-3
    double E0 = 400;               ///< mV
    double slope = 59.16;          ///< mV per pH unit
    double pKw = 13.78;
    /// Share of an alkali titrant's base equivalents present as carbonate: it
    /// neutralises acid before the end-point but gives no hydroxide after it,
    /// so the alkali end-point lies later by 1 / (1 - fraction).
    double carbonateFraction = 0;
    double firstVolume = 0; ///< ml
    double lastVolume = 7.5; ///< ml
    int pointCount = 51;     ///< evenly spaced from firstVolume to lastVolume
    double emfNoise = 0.05;  ///< standard deviation of the emf, mV
    std::uint64_t seed = 1;
};

struct SimulatedPoint {
    double volume; ///< ml
    double emf;    ///< mV
};

/// The points of the titration: equilibrium pH from the charge balance with
/// water, emf = E0 - slope * pH plus normal noise from the seed. The same setup
/// always gives the same points, on every platform.
std::vector<SimulatedPoint> simulate(const Setup& setup);

/// The same at the volumes given (the setup's volume range and count unused).
std::vector<SimulatedPoint> simulateAt(const Setup& setup, const std::vector<double>& volumes);

/// The setup's volumes: pointCount evenly spaced from firstVolume to lastVolume.
std::vector<double> volumesOf(const Setup& setup);

/// The titration as the data file reader would load it: identifier, conditions
/// shown as captions, points reduced to single precision. Not selected or calculated.
core::Titration makeTitration(const Setup& setup);

/// The true end-points, ml: where the titrant has neutralised the titrand
/// (acid branch) and where free hydroxide begins (alkali branch; later by the
/// carbonate share).
double acidEndPoint(const Setup& setup);
double alkaliEndPoint(const Setup& setup);

} // namespace sim

#include "Simulator.h"

#include "core/RandomDraws.h"

#include <cmath>
#include <random>

namespace sim {

namespace {

bool carbonateApplies(const Setup& setup) {
    return setup.buretteConc < 0 && setup.carbonateFraction > 0;
}

/// Free strong acid (positive) or strong base (negative) after volume v, mol dm-3.
double excessAcid(const Setup& setup, double v) {
    const double total = setup.titrandVolume + setup.electrolyteVolume + v;
    const double titrand = setup.titrandVolume * setup.titrandConc;
    const double acidSide = titrand + v * setup.buretteConc;
    if (acidSide > 0 || !carbonateApplies(setup))
        return acidSide / total;
    return (titrand + v * setup.buretteConc * (1.0 - setup.carbonateFraction)) / total;
}

/// [H+] from h - Kw / h = excess, the root that is positive, computed without cancellation.
double hydrogenIon(double excess, double kw) {
    const double root = std::sqrt(excess * excess + 4.0 * kw);
    return excess >= 0 ? (excess + root) / 2.0 : 2.0 * kw / (root - excess);
}

} // namespace

std::vector<double> volumesOf(const Setup& setup) {
    std::vector<double> volumes;
    volumes.reserve(static_cast<std::size_t>(std::max(setup.pointCount, 0)));
    const double step = setup.pointCount > 1
                            ? (setup.lastVolume - setup.firstVolume) / (setup.pointCount - 1)
                            : 0.0;
    for (int i = 0; i < setup.pointCount; ++i)
        volumes.push_back(setup.firstVolume + step * i);
    return volumes;
}

std::vector<SimulatedPoint> simulateAt(const Setup& setup, const std::vector<double>& volumes) {
    core::NormalDraws<std::mt19937_64> noise{std::mt19937_64(setup.seed)};
    const double kw = std::pow(10.0, -setup.pKw);
    std::vector<SimulatedPoint> points;
    points.reserve(volumes.size());
    for (double v : volumes) {
        const double h = hydrogenIon(excessAcid(setup, v), kw);
        const double emf = setup.E0 + setup.slope * std::log10(h) + setup.emfNoise * noise.next();
        points.push_back({v, emf});
    }
    return points;
}

std::vector<SimulatedPoint> simulate(const Setup& setup) {
    return simulateAt(setup, volumesOf(setup));
}

core::Titration makeTitration(const Setup& setup) {
    core::Titration t;
    t.TitrationID = setup.id;
    auto single = [](double x) { return static_cast<double>(static_cast<float>(x)); };
    core::setConditions(t, single(setup.titrandVolume), single(setup.electrolyteVolume),
                        single(setup.titrandConc), single(setup.buretteConc));
    for (const SimulatedPoint& p : simulate(setup)) {
        core::Point point;
        point.Volume = single(p.volume);
        point.EmfObs = single(p.emf);
        t.points.push_back(point);
    }
    return t;
}

double acidEndPoint(const Setup& setup) {
    return -setup.titrandVolume * setup.titrandConc / setup.buretteConc;
}

double alkaliEndPoint(const Setup& setup) {
    const double factor = carbonateApplies(setup) ? 1.0 - setup.carbonateFraction : 1.0;
    return acidEndPoint(setup) / factor;
}

} // namespace sim

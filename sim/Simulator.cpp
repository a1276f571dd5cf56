#include "Simulator.h"

#include <cmath>
#include <numbers>
#include <random>

namespace sim {

namespace {

/// Standard normal numbers from a portable generator (std::normal_distribution
/// differs between standard libraries; this does not).
class NormalNoise {
public:
    explicit NormalNoise(std::uint64_t seed) : m_engine(seed) {}
    double next() {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        const double u1 = uniform();
        const double u2 = uniform();
        const double radius = std::sqrt(-2.0 * std::log(u1));
        const double angle = 2.0 * std::numbers::pi * u2;
        m_spare = radius * std::sin(angle);
        m_hasSpare = true;
        return radius * std::cos(angle);
    }

private:
    /// Uniform in (0, 1].
    double uniform() { return (static_cast<double>(m_engine() >> 11) + 1.0) * 0x1p-53; }

    std::mt19937_64 m_engine;
    double m_spare = 0;
    bool m_hasSpare = false;
};

bool carbonateApplies(const TitrationSpec& spec) {
    return spec.buretteConc < 0 && spec.carbonateFraction > 0;
}

/// Free strong acid (positive) or strong base (negative) after volume v, mol dm-3.
double excessAcid(const TitrationSpec& spec, double v) {
    const double total = spec.titrandVolume + spec.electrolyteVolume + v;
    const double titrand = spec.titrandVolume * spec.titrandConc;
    const double acidSide = titrand + v * spec.buretteConc;
    if (acidSide > 0 || !carbonateApplies(spec))
        return acidSide / total;
    return (titrand + v * spec.buretteConc * (1.0 - spec.carbonateFraction)) / total;
}

/// [H+] from h - Kw / h = excess, the root that is positive, computed without cancellation.
double hydrogenIon(double excess, double kw) {
    const double root = std::sqrt(excess * excess + 4.0 * kw);
    return excess >= 0 ? (excess + root) / 2.0 : 2.0 * kw / (root - excess);
}

} // namespace

std::vector<SimulatedPoint> simulate(const TitrationSpec& spec) {
    NormalNoise noise(spec.seed);
    const double kw = std::pow(10.0, -spec.pKw);
    std::vector<SimulatedPoint> points;
    points.reserve(static_cast<std::size_t>(std::max(spec.pointCount, 0)));
    const double step =
        spec.pointCount > 1 ? (spec.lastVolume - spec.firstVolume) / (spec.pointCount - 1) : 0.0;
    for (int i = 0; i < spec.pointCount; ++i) {
        const double v = spec.firstVolume + step * i;
        const double h = hydrogenIon(excessAcid(spec, v), kw);
        const double emf = spec.E0 + spec.slope * std::log10(h) + spec.emfNoise * noise.next();
        points.push_back({v, emf});
    }
    return points;
}

core::Titration makeTitration(const TitrationSpec& spec) {
    core::Titration t;
    t.TitrationID = spec.id;
    auto single = [](double x) { return static_cast<double>(static_cast<float>(x)); };
    core::setConditions(t, single(spec.titrandVolume), single(spec.electrolyteVolume),
                        single(spec.titrandConc), single(spec.buretteConc));
    for (const SimulatedPoint& p : simulate(spec)) {
        core::Point point;
        point.Volume = single(p.volume);
        point.EmfObs = single(p.emf);
        t.points.push_back(point);
    }
    return t;
}

double acidEndPoint(const TitrationSpec& spec) {
    return -spec.titrandVolume * spec.titrandConc / spec.buretteConc;
}

double alkaliEndPoint(const TitrationSpec& spec) {
    const double factor = carbonateApplies(spec) ? 1.0 - spec.carbonateFraction : 1.0;
    return acidEndPoint(spec) / factor;
}

} // namespace sim

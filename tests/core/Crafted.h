#pragma once

// Small hand-made titrations for the engine's tests.

#include "core/CalculationState.h"
#include "core/MessageSink.h"
#include "core/Titration.h"

#include <ostream>
#include <vector>

namespace core {
/// Lets GoogleTest show a message as text.
inline void PrintTo(const Message& m, std::ostream* os) {
    *os << '[' << m.title << "] " << m.text;
}
} // namespace core

namespace crafted {

using Messages = std::vector<core::Message>;

struct PointSpec {
    double volume, emf = 0;
    bool used = true;
};

/// A titration with the given conditions and points (numbers taken as they are).
inline core::Titration titration(double titrandVolume, double electrolyteVolume, double titrandConc,
                                 double buretteConc, const std::vector<PointSpec>& points = {}) {
    core::Titration t;
    core::setConditions(t, titrandVolume, electrolyteVolume, titrandConc, buretteConc);
    for (const PointSpec& s : points) {
        core::Point& p = t.points.emplace_back();
        p.Volume = s.volume;
        p.EmfObs = s.emf;
        p.UsePoint = s.used;
    }
    return t;
}

/// The calculation state of a titration with its boxes converted.
inline core::CalculationState state(const core::Titration& t) {
    core::RecordingSink ignored;
    return core::CalculationState(t, core::readCalculationInputs(t.inputs, ignored));
}

} // namespace crafted

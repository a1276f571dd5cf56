#pragma once

// Small hand-made titrations for the engine's tests.

#include "core/CalculationState.h"
#include "core/MessageSink.h"
#include "core/Titration.h"

#include <ostream>
#include <string>
#include <vector>

namespace core {
/// Lets GoogleTest show a message as text.
inline void PrintTo(const Message& m, std::ostream* os) {
    *os << '[' << m.title << "] " << m.text;
}
} // namespace core

namespace crafted {

struct PointSpec {
    double volume;
    double emf;
    bool used = true;
};

/// A titration with the given conditions and points (numbers taken as they are).
inline core::Titration titration(double titrandVolume, double electrolyteVolume, double titrandConc,
                                 double buretteConc, const std::vector<PointSpec>& points = {}) {
    core::Titration t;
    core::setConditions(t, titrandVolume, electrolyteVolume, titrandConc, buretteConc);
    for (const PointSpec& p : points) {
        t.points.emplace_back();
        t.points.back().Volume = p.volume;
        t.points.back().EmfObs = p.emf;
        t.points.back().UsePoint = p.used;
    }
    return t;
}

/// The calculation state of a titration with its boxes converted.
inline core::CalculationState state(const core::Titration& t) {
    core::RecordingSink ignored;
    return core::CalculationState(t, core::readCalculationInputs(t.inputs, ignored));
}

/// The model as the refinement sees it once it has copied the conditions.
inline core::ElectrodeModel preparedModel(const core::CalculationState& s) {
    core::ElectrodeModel m = s.model;
    m.TitrandConc = s.conditions.titrandConc;
    m.BuretteConc = s.conditions.buretteConc;
    m.InitialVolume = s.conditions.titrandVolume + s.conditions.electrolyteVolume;
    m.pKw = s.inputs.pKw;
    return m;
}

} // namespace crafted

#pragma once

#include "core/Titration.h"

namespace plot {

/// The view of the data plot.
enum class DisplayMode {
    EmfVolume = 1, ///< emf against volume, with the calculated curve
    EmfPH = 2,     ///< emf against pH, with the calculated curve through the used points
    Gran = 3,      ///< Gran function against volume, with both Gran lines
};

/// The plotted x of point i (1-based) in the view: its pH in the pH view, else its volume.
inline double pointX(const core::Titration& t, DisplayMode mode, int i) {
    const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
    return mode == DisplayMode::EmfPH ? p.PointPH : p.Volume;
}

/// The plotted y of point i: its Gran value in the Gran plot, else its observed emf.
inline double pointY(const core::Titration& t, DisplayMode mode, int i) {
    const core::Point& p = t.points[static_cast<std::size_t>(i - 1)];
    return mode == DisplayMode::Gran ? p.GranValue : p.EmfObs;
}

} // namespace plot

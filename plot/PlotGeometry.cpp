#include "PlotGeometry.h"

#include <cmath>
#include <limits>

namespace plot {

std::optional<int> PlotGeometry::drawable(double device) {
    const double rounded = std::nearbyint(device);
    if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(rounded);
}

} // namespace plot

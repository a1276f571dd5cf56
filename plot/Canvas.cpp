#include "Canvas.h"

#include <cmath>
#include <limits>

namespace plot {

Canvas::Canvas(double twipsPerPixel)
    : m_twipsPerPixel(std::isfinite(twipsPerPixel) && twipsPerPixel > 0 ? twipsPerPixel
                                                                        : kDefaultTwipsPerPixel) {}

std::optional<int> toDevice(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    return clampedDevice(value);
}

int clampedDevice(double value) {
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= lowest)
        return std::numeric_limits<int>::min();
    if (rounded >= highest)
        return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

} // namespace plot

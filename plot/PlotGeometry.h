#pragma once

#include <optional>

namespace plot {

/// The shared plot geometry: the device rectangle of the data area and the two
/// linear maps from data values to device coordinates. The plot drawn last owns it.
struct PlotGeometry {
    int PlotLeft = 0;               ///< device x of the x value passed as minimum
    int PlotTop = 0;                ///< device y of the y value passed as maximum
    int PlotRight = 0;              ///< device x of the x value passed as maximum
    int PlotBottom = 0;             ///< device y of the y value passed as minimum
    double XScale = 1, XOffset = 0; ///< device x = round(XOffset + XScale * x)
    double YScale = 1, YOffset = 0; ///< device y = round(YOffset + YScale * y)

    /// The device x and y of data values, halves to even. Empty when the value
    /// cannot be drawn: not finite, or mapped beyond the 32-bit range.
    std::optional<int> XPix(double x) const { return drawable(XOffset + XScale * x); }
    std::optional<int> YPix(double y) const { return drawable(YOffset + YScale * y); }

    bool operator==(const PlotGeometry&) const = default;

private:
    static std::optional<int> drawable(double device);
};

/// Keeps a copy of the geometry and puts it back when it goes out of scope, so
/// that a picture drawn for the clipboard or a file leaves the screen plots'
/// geometry as it was.
class GeometryGuard {
public:
    explicit GeometryGuard(PlotGeometry& geometry) : m_geometry(geometry), m_saved(geometry) {}
    ~GeometryGuard() { m_geometry = m_saved; }
    GeometryGuard(const GeometryGuard&) = delete;
    GeometryGuard& operator=(const GeometryGuard&) = delete;

private:
    PlotGeometry& m_geometry;
    PlotGeometry m_saved;
};

} // namespace plot

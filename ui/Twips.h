#pragma once

#include <cmath>

namespace ui {

/// The window is laid out in twips (1/1440 inch). A pixel is 15 twips on a
/// 96 dpi screen; the screen's logical dpi scales it.
class Twips {
public:
    explicit Twips(double logicalDpi = 96) : m_perPixel(1440.0 / (logicalDpi > 0 ? logicalDpi : 96)) {}

    double perPixel() const { return m_perPixel; }
    /// Twips to whole pixels, halves to even.
    int px(double twips) const { return static_cast<int>(std::lrint(twips / m_perPixel)); }
    double twips(int pixels) const { return pixels * m_perPixel; }

private:
    double m_perPixel;
};

} // namespace ui

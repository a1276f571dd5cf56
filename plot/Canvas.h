#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plot {

/// A colour of the drawing, 8 bits per channel.
struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kBlack{0, 0, 0};

/// A solid pen: line width in device units and colour.
struct Pen {
    int width = 1;
    Colour colour = kBlack;
    bool operator==(const Pen&) const = default;
};

/// A font request. The height is the character height (the em square, not the
/// cell) in device units; the escapement is the direction of the text in tenths
/// of a degree counter-clockwise: 0 or 900 (running upwards).
struct Font {
    std::string face = "Arial";
    int height = 0;
    int escapement = 0;
    bool operator==(const Font&) const = default;
};

/// Where a text stands relative to its anchor point (x, y), by code modulo 4:
///  0 and 1: centred on x, top at y;  2: right end at x, top at y;  3: left end at x, top at y.
/// Code 1 goes with escapement 900: the text runs upwards centred on y, the tops of
/// its characters on the vertical through x, so it lies to the right of x.
inline constexpr int kTextCentreTop = 0;
inline constexpr int kTextUpwards = 1;
inline constexpr int kTextRightTop = 2;
inline constexpr int kTextLeftTop = 3;

/// Twips per pixel of a 96 dpi screen; the window passes its screen's value.
inline constexpr double kDefaultTwipsPerPixel = 15;

/// The device coordinate of a real value: the nearest integer, halves to even,
/// clamped to the 32-bit range. Empty when the value is not a number or infinite:
/// such an item is left out of the drawing.
std::optional<int> toDevice(double value);

/// A device coordinate computed from coordinates that are already finite
/// (edges, offsets, tick lengths): rounded and clamped like toDevice.
int clampedDevice(double value);

/// A drawing surface with integer device coordinates; y grows downwards.
class Canvas {
public:
    /// twipsPerPixel is the screen's: text sizes in points follow the screen's
    /// resolution whatever the surface (a picture for the clipboard included).
    /// A value that is not positive stands for the default.
    explicit Canvas(double twipsPerPixel = kDefaultTwipsPerPixel);
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    double twipsPerPixel() const { return m_twipsPerPixel; }

    /// The pen of the lines that follow.
    virtual void setPen(const Pen& pen) = 0;
    virtual void moveTo(int x, int y) = 0;
    /// A line from the current position to (x, y), which becomes the current position.
    virtual void lineTo(int x, int y) = 0;
    /// One text in black with the font and the alignment code at (x, y).
    virtual void text(int x, int y, const std::string& text, const Font& font, int code) = 0;
    /// A one-unit line combined with the picture by exclusive or: drawing it a
    /// second time restores the picture. The current pen and position are kept.
    virtual void xorLine(int x1, int y1, int x2, int y2, Colour colour) = 0;
    /// Fills the whole surface with its background.
    virtual void clear() = 0;

    void line(int x1, int y1, int x2, int y2) {
        moveTo(x1, y1);
        lineTo(x2, y2);
    }

private:
    double m_twipsPerPixel;
};

} // namespace plot

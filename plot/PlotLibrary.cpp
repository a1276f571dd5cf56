#include "PlotLibrary.h"

#include "core/Format.h"

#include <array>
#include <cmath>

namespace plot {

namespace {

/// Tick indices k1..k2 of an axis; the tick values are k * step.
struct TickRange {
    long long first = 0;
    long long last = -1;
};

/// Far more ticks than any axis in range can have (at most n + 1 per axis):
/// anything beyond comes of data outside the design and gets no ticks.
constexpr double kMaxTicks = 1000;

bool tickRange(double k1, double k2, TickRange& range) {
    constexpr double exact = 4503599627370496.0; // 2^52: k + 1 still differs from k
    if (!(std::fabs(k1) < exact && std::fabs(k2) < exact) || k2 - k1 > kMaxTicks)
        return false;
    range = {static_cast<long long>(k1), static_cast<long long>(k2)};
    return true;
}

/// With more than five ticks only every second one, from the first, is long and labelled.
long long majorStride(const TickRange& r) {
    return r.last - r.first > 4 ? 2 : 1;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void drawXTicks(Canvas& dc, const PlotGeometry& g, int s, double xmin, double xmax, double xstep) {
    double k1 = std::nearbyint(xmin / xstep);
    const double first = k1 * xstep;
    if (xstep > 0 ? first < xmin : first > xmin)
        k1 += 1;
    double k2 = std::nearbyint(xmax / xstep);
    if (std::nearbyint(g.XOffset + g.XScale * (k2 * xstep)) > g.PlotRight + 2.0 * s)
        k2 -= 1;
    TickRange r;
    if (!tickRange(k1, k2, r))
        return;
    const double axis = g.PlotBottom + 4.0;
    const int top = clampedDevice(axis);
    for (long long k = r.first; k <= r.last; ++k)
        if (auto px = g.XPix(static_cast<double>(k) * xstep))
            dc.line(*px, top, *px, clampedDevice(axis + 2.0 * s));
    for (long long k = r.first; k <= r.last; k += majorStride(r)) {
        const double value = static_cast<double>(k) * xstep;
        if (auto px = g.XPix(value)) {
            dc.line(*px, top, *px, clampedDevice(axis + 4.0 * s));
            PlotText(dc, *px, clampedDevice(axis + 6.0 * s), 9 * s, kTextCentreTop,
                     TickLabel(value, xstep));
        }
    }
}

/// The ticks of a y axis. A tick must not lie beyond ymin on the outside of the
/// axis: below it for a positive step, above it for the negative step of a
/// reversed axis (a rising emf), where a tick under the frame would run into the
/// x tick labels.
bool yTickRange(double ymin, double ymax, double ystep, TickRange& r) {
    double k1 = std::nearbyint(ymin / ystep);
    const double first = k1 * ystep;
    if (ystep > 0 ? first < ymin : first > ymin)
        k1 += 1;
    return tickRange(k1, std::floor(ymax / ystep), r);
}

void drawYTicks(Canvas& dc, const PlotGeometry& g, int s, double ymin, double ymax, double ystep) {
    TickRange r;
    if (!yTickRange(ymin, ymax, ystep, r))
        return;
    const double axis = g.PlotLeft - 4.0;
    const int left = clampedDevice(axis);
    for (long long k = r.first; k <= r.last; ++k)
        if (auto py = g.YPix(static_cast<double>(k) * ystep))
            dc.line(left, *py, clampedDevice(axis - 2.0 * s), *py);
    for (long long k = r.first; k <= r.last; k += majorStride(r)) {
        const double value = static_cast<double>(k) * ystep;
        if (auto py = g.YPix(value)) {
            dc.line(left, *py, clampedDevice(axis - 4.0 * s), *py);
            PlotText(dc, clampedDevice(axis - 6.0 * s), clampedDevice(*py - 6.0 * s), 9 * s,
                     kTextRightTop, TickLabel(value, ystep));
        }
    }
}

void drawFrame(Canvas& dc, const PlotGeometry& g) {
    const int left = clampedDevice(g.PlotLeft - 4.0);
    const int right = clampedDevice(g.PlotRight + 4.0);
    const int bottom = clampedDevice(g.PlotBottom + 4.0);
    dc.moveTo(left, bottom);
    dc.lineTo(right, bottom);
    dc.lineTo(right, g.PlotTop);
    dc.lineTo(left, g.PlotTop);
    dc.lineTo(left, bottom);
}

} // namespace

int PenWidth(int s) {
    return s < 5 ? s : 24;
}

double MaxOf(double a, double b) {
    return a > b ? a : b;
}

double NiceStep(double a, double b, int n) {
    const double span = std::fabs(b - a);
    double r = span / n;
    if (r == 0)
        r = 1;
    double t = 1e20;
    while (t > r)
        t /= 10;
    double step = t;
    for (double m : std::array{2.0, 5.0, 10.0, 20.0}) {
        if (!(span / step > n))
            break;
        step = t * m;
    }
    return a > b ? -step : step;
}

std::string TickLabel(double value, double step) {
    if (value == 0)
        return "0";
    const int e = static_cast<int>(std::floor(std::log(std::fabs(step)) / std::log(10.0)));
    if (e >= -3 && e <= 3) {
        const char* format = e == -3 ? "0.000" : e == -2 ? "0.00" : e == -1 ? "0.0" : "###0";
        return trimmed(core::formatNumber(value, format));
    }
    // The mantissa shows the digits down to the step's decade, so that ticks far
    // from zero (a slope factor of 0.9992 with a step of 0.0002) differ; where the
    // plain decimals to that decade are shorter, they are shown instead.
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const std::string scientific =
        "0." + std::string(static_cast<std::size_t>(std::max(1, magnitude - e)), '0') +
        (e < -9 ? "E-00" : "E-0");
    const std::string label = trimmed(core::formatNumber(value, scientific));
    if (magnitude - e < 2)
        return label;
    const std::string fixed =
        e < 0 ? "0." + std::string(static_cast<std::size_t>(-e), '0') : std::string("0");
    const std::string plain = trimmed(core::formatNumber(value, fixed));
    return plain.size() < label.size() ? plain : label;
}

std::vector<std::string> YTickLabels(double ymin, double ymax, int ny) {
    const double ystep = NiceStep(ymin, ymax, ny);
    std::vector<std::string> labels;
    TickRange r;
    if (yTickRange(ymin, ymax == ymin ? ymin + 1 : ymax, ystep, r))
        for (long long k = r.first; k <= r.last; k += majorStride(r))
            labels.push_back(TickLabel(static_cast<double>(k) * ystep, ystep));
    return labels;
}

void SetScale(PlotGeometry& g, double& xmax, double xmin, double& ymax, double ymin) {
    if (xmax == xmin)
        xmax = xmin + 1;
    g.XScale = (g.PlotRight - static_cast<double>(g.PlotLeft)) / (xmax - xmin);
    g.XOffset = g.PlotLeft - std::nearbyint(xmin * g.XScale);
    if (ymax == ymin)
        ymax = ymin + 1;
    g.YScale = (g.PlotTop - static_cast<double>(g.PlotBottom)) / (ymax - ymin);
    g.YOffset = g.PlotBottom - std::nearbyint(ymin * g.YScale);
}

void PlotText(Canvas& dc, int x, int y, int size, int code, const std::string& text) {
    if (text.empty())
        return;
    Font font;
    font.height = clampedDevice(20.0 * std::abs(static_cast<double>(size)) / dc.twipsPerPixel());
    font.escapement = code == kTextUpwards ? 900 : 0;
    dc.text(x, y, text, font, code);
}

void PlotAxes(Canvas& dc, PlotGeometry& g, int s, int ny, double xmin, double ymin, double& xmax,
              double& ymax, const std::string& xlabel, const std::string& ylabel,
              const std::string& title) {
    const int textSize = 9 * s;
    const int middleX = clampedDevice((static_cast<double>(g.PlotLeft) + g.PlotRight) / 2);
    dc.setPen(Pen{PenWidth(s), kBlack});
    drawFrame(dc, g);
    PlotText(dc, middleX, clampedDevice(g.PlotTop - 20.0 * s), textSize, kTextCentreTop, title);

    const double xstep = NiceStep(xmin, xmax, 10);
    const double ystep = NiceStep(ymin, ymax, ny);
    SetScale(g, xmax, xmin, ymax, ymin);

    if (!xlabel.empty()) {
        drawXTicks(dc, g, s, xmin, xmax, xstep);
        PlotText(dc, middleX, clampedDevice(g.PlotBottom + 4.0 + 20.0 * s), textSize,
                 kTextCentreTop, xlabel);
    }
    drawYTicks(dc, g, s, ymin, ymax, ystep);
    PlotText(dc, 0, clampedDevice((static_cast<double>(g.PlotTop) + g.PlotBottom) / 2), textSize,
             kTextUpwards, ylabel);
}

} // namespace plot

#include "Trend.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

std::vector<double> keptValues(const std::vector<TrendPoint>& series) {
    std::vector<double> kept;
    kept.reserve(series.size());
    for (const TrendPoint& p : series)
        if (!p.withdrawn && std::isfinite(p.value))
            kept.push_back(p.value);
    return kept;
}

} // namespace

std::optional<ControlLines> controlLines(const std::vector<TrendPoint>& series) {
    const std::vector<double> kept = keptValues(series);
    if (kept.size() < 2)
        return std::nullopt;
    const std::size_t n = std::min(kept.size(), kControlWindow);
    const auto first = kept.end() - static_cast<std::ptrdiff_t>(n);
    double sum = 0;
    for (auto it = first; it != kept.end(); ++it)
        sum += *it;
    const double mean = sum / static_cast<double>(n);
    // Two passes: the deviations from the mean, not the difference of large sums.
    double squares = 0;
    for (auto it = first; it != kept.end(); ++it)
        squares += (*it - mean) * (*it - mean);
    const double sd = std::sqrt(squares / static_cast<double>(n - 1));
    if (!std::isfinite(mean) || !std::isfinite(sd))
        return std::nullopt; // values too large to add up
    ControlLines lines;
    lines.mean = mean;
    lines.sd = sd;
    lines.count = n;
    return lines;
}

Drift driftOf(const std::vector<TrendPoint>& series, double sd) {
    const std::vector<double> kept = keptValues(series);
    if (kept.size() < 4 || !std::isfinite(sd))
        return Drift::None;
    bool up = true, down = true;
    for (std::size_t i = kept.size() - 3; i < kept.size(); ++i) {
        const double move = kept[i] - kept[i - 1];
        up = up && move > sd;
        down = down && -move > sd;
    }
    return up ? Drift::Up : down ? Drift::Down : Drift::None;
}

TrendSummary summarizeTrend(const std::vector<TrendPoint>& series) {
    TrendSummary summary;
    summary.lines = controlLines(series);
    if (summary.lines)
        summary.drift = driftOf(series, summary.lines->sd);
    return summary;
}

} // namespace core

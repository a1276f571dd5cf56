#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace core {

/// One value of a series in date order (E0 or the slope factor of a record).
struct TrendPoint {
    double value = 0;
    bool withdrawn = false; ///< a withdrawn record takes no part in the statistics
};

/// The control lines: the mean and three sample standard deviations either side.
struct ControlLines {
    double mean = 0;
    double sd = 0;         ///< sample standard deviation
    std::size_t count = 0; ///< kept records they are made of
    double lower() const { return mean - 3 * sd; }
    double upper() const { return mean + 3 * sd; }
    bool operator==(const ControlLines&) const = default;
};

enum class Drift { None, Up, Down };

struct TrendSummary {
    std::optional<ControlLines> lines; ///< none below two kept records
    Drift drift = Drift::None;         ///< never with fewer than four kept records
    bool operator==(const TrendSummary&) const = default;
};

/// The control lines are made of at most this many of the latest kept records.
inline constexpr std::size_t kControlWindow = 20;

/// Control lines of the last kControlWindow kept records (withdrawn records and
/// values that are not finite are left out); none with fewer than two of them.
std::optional<ControlLines> controlLines(const std::vector<TrendPoint>& series);

/// Drift: each of the last three kept records moved the same way from the kept
/// record before it, by more than sd each.
Drift driftOf(const std::vector<TrendPoint>& series, double sd);

/// The control lines and the drift against their standard deviation.
TrendSummary summarizeTrend(const std::vector<TrendPoint>& series);

} // namespace core

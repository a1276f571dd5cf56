#pragma once

#include <cstddef>
#include <optional>
#include <string>
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

/// Which kept records the control lines are made of: `count` of them from the
/// kept record `first` on (both counted among the kept records, from 0). Later
/// records are judged against these lines and do not move them.
struct Baseline {
    std::size_t first = 0;
    std::size_t count = 10;
    bool operator==(const Baseline&) const = default;
};

/// The baseline's count when the user chose none.
inline constexpr std::size_t kBaselineCount = 10;

enum class Drift { None, Up, Down };

/// The rules a record can break against the control lines.
enum class ControlRule {
    Beyond3Sd,           ///< the record beyond 3 sd
    TwoOfThreeBeyond2Sd, ///< it and one of the two kept before it beyond 2 sd, on the same side
    SixInARow,           ///< the sixth of six kept records in a row rising, or falling
};

/// A record that breaks a rule; index is its place in the series.
struct RuleFlag {
    std::size_t index = 0;
    ControlRule rule = ControlRule::Beyond3Sd;
    bool operator==(const RuleFlag&) const = default;
};

struct TrendSummary {
    std::optional<ControlLines> lines; ///< none below two kept records in the baseline
    Drift drift = Drift::None;         ///< never with fewer than four kept records
    std::vector<RuleFlag> flags;       ///< in series order; each rule a record breaks
    bool operator==(const TrendSummary&) const = default;
};

/// Control lines of the baseline's kept records (withdrawn records and values
/// that are not finite are left out; a baseline reaching past the last kept
/// record takes those there are); none with fewer than two of them.
std::optional<ControlLines> controlLines(const std::vector<TrendPoint>& series,
                                         const Baseline& baseline = {});

/// Drift: each of the last three kept records moved the same way from the kept
/// record before it, by more than sd each.
Drift driftOf(const std::vector<TrendPoint>& series, double sd);

/// The kept records that break a rule against the lines, once for each rule
/// they break, in series order and then in the order of the rules.
std::vector<RuleFlag> ruleFlags(const std::vector<TrendPoint>& series, const ControlLines& lines);

/// The control lines of the baseline, the drift against their standard
/// deviation and the records that break a rule.
TrendSummary summarizeTrend(const std::vector<TrendPoint>& series, const Baseline& baseline = {});

/// The rule as the logbook names it: "beyond 3 sd".
std::string ruleText(ControlRule rule);

} // namespace core

#include "Trend.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

/// The indices of the kept records in the series.
std::vector<std::size_t> keptIndices(const std::vector<TrendPoint>& series) {
    std::vector<std::size_t> kept;
    kept.reserve(series.size());
    for (std::size_t i = 0; i < series.size(); ++i)
        if (!series[i].withdrawn && std::isfinite(series[i].value))
            kept.push_back(i);
    return kept;
}

std::vector<double> keptValues(const std::vector<TrendPoint>& series) {
    std::vector<double> kept;
    for (std::size_t i : keptIndices(series))
        kept.push_back(series[i].value);
    return kept;
}

/// +1 above mean + k sd, -1 below mean - k sd, else 0.
int side(double value, const ControlLines& lines, double k) {
    if (value > lines.mean + k * lines.sd)
        return 1;
    if (value < lines.mean - k * lines.sd)
        return -1;
    return 0;
}

/// The rules the kept record at position k of the kept values breaks, in the order of the rules.
std::vector<ControlRule> brokenRules(const std::vector<double>& v, std::size_t k,
                                     const ControlLines& lines) {
    std::vector<ControlRule> rules;
    if (side(v[k], lines, 3) != 0)
        rules.push_back(ControlRule::Beyond3Sd);
    if (const int s = side(v[k], lines, 2); s != 0 && k >= 1) {
        const std::size_t from = k >= 2 ? k - 2 : 0;
        bool another = false;
        for (std::size_t j = from; j < k; ++j)
            another = another || side(v[j], lines, 2) == s;
        if (another)
            rules.push_back(ControlRule::TwoOfThreeBeyond2Sd);
    }
    if (k >= 5) {
        bool rising = true, falling = true;
        for (std::size_t j = k - 4; j <= k; ++j) {
            rising = rising && v[j] > v[j - 1];
            falling = falling && v[j] < v[j - 1];
        }
        if (rising || falling)
            rules.push_back(ControlRule::SixInARow);
    }
    return rules;
}

} // namespace

std::optional<ControlLines> controlLines(const std::vector<TrendPoint>& series,
                                         const Baseline& baseline) {
    const std::vector<double> kept = keptValues(series);
    if (baseline.first >= kept.size())
        return std::nullopt;
    const auto first = kept.begin() + static_cast<std::ptrdiff_t>(baseline.first);
    const std::size_t n = std::min(kept.size() - baseline.first, baseline.count);
    if (n < 2)
        return std::nullopt;
    const auto last = first + static_cast<std::ptrdiff_t>(n);
    double sum = 0;
    for (auto it = first; it != last; ++it)
        sum += *it;
    const double mean = sum / static_cast<double>(n);
    // Two passes: the deviations from the mean, not the difference of large sums.
    double squares = 0;
    for (auto it = first; it != last; ++it)
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

std::vector<RuleFlag> ruleFlags(const std::vector<TrendPoint>& series, const ControlLines& lines) {
    const std::vector<std::size_t> indices = keptIndices(series);
    std::vector<double> values;
    for (std::size_t i : indices)
        values.push_back(series[i].value);
    std::vector<RuleFlag> flags;
    for (std::size_t k = 0; k < values.size(); ++k)
        for (ControlRule rule : brokenRules(values, k, lines))
            flags.push_back({indices[k], rule});
    return flags;
}

TrendSummary summarizeTrend(const std::vector<TrendPoint>& series, const Baseline& baseline) {
    TrendSummary summary;
    summary.lines = controlLines(series, baseline);
    if (summary.lines) {
        summary.drift = driftOf(series, summary.lines->sd);
        summary.flags = ruleFlags(series, *summary.lines);
    }
    return summary;
}

std::string ruleText(ControlRule rule) {
    switch (rule) {
    case ControlRule::Beyond3Sd:
        return "beyond 3 sd";
    case ControlRule::TwoOfThreeBeyond2Sd:
        return "2 of 3 beyond 2 sd on the same side";
    case ControlRule::SixInARow:
        break;
    }
    return "6 in a row rising or falling";
}

} // namespace core

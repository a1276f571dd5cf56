#include "UncertaintyReport.h"

#include "Format.h"

#include <cmath>

namespace core {

namespace {

std::string padded(std::string text, std::size_t width) {
    // Width in characters: the UTF-8 continuation bytes of "–" or "±" take no room.
    std::size_t shown = 0;
    for (unsigned char c : text)
        shown += (c & 0xC0) == 0x80 ? 0 : 1;
    if (shown < width)
        text.append(width - shown, ' ');
    return text + " ";
}

/// Decimals that show the second significant digit of u.
int decimalsOf(double u) {
    if (!(u > 0) || !std::isfinite(u))
        return 2;
    return std::max(0, 1 - static_cast<int>(std::floor(std::log10(u))));
}

std::string fixed(double value, int decimals) {
    return formatNumber(value, decimals > 0 ? "0." + std::string(decimals, '0') : "0");
}

std::string withUnit(std::string text, const char* unit) {
    return *unit ? text + " " + unit : text;
}

const char* resultUnit(UncertainResult r) {
    return describe(r).unit;
}

std::string inputLine(const AppliedUncertainty& a) {
    return "  " + padded(describe(a.input).name, 31) + inputUncertaintyText(a);
}

std::string budgetLine(UncertainResult r, const BudgetLine& l) {
    const InputDescription& d = describe(l.input);
    return "  " + padded(d.name, 31) + padded(withUnit(significantText(l.u, 2), d.unit), 17) +
           padded(significantText(l.sensitivity, 3) + " " + sensitivityUnit(r, l.input), 28) +
           padded(withUnit(significantText(l.contribution, 2), resultUnit(r)), 17) +
           formatNumber(l.share, "0.0") + " %";
}

std::vector<std::string> resultLines(const ResultUncertainty& r) {
    std::string heading = std::string(describe(r.result).name) + ": " + resultUncertaintyText(r);
    if (r.fitSd)
        heading += " (fit sd " + withUnit(significantText(*r.fitSd, 2), resultUnit(r.result)) + ")";
    std::vector<std::string> lines{heading, "  " + padded("input", 31) + padded("u(x)", 17) +
                                                padded("sensitivity c", 28) +
                                                padded("|c| u(x)", 17) + "share"};
    for (const BudgetLine& l : r.lines)
        lines.push_back(budgetLine(r.result, l));
    return lines;
}

std::string interval(double low, double high, int decimals, const char* unit) {
    return withUnit(fixed(low, decimals) + " to " + fixed(high, decimals), unit);
}

std::vector<std::string> monteCarloLines(const UncertaintyBudget& budget,
                                         const MonteCarloResult& mc) {
    std::string how = mc.adaptive ? (mc.stable ? "adaptive, stable"
                                               : "adaptive, not stable within "
                                                 "the cap")
                                  : "as asked";
    const std::string failed = mc.failed() == 0
                                   ? "none failed"
                                   : std::to_string(mc.failed()) + " failed (" +
                                         std::to_string(mc.stopped) + " stopped, " +
                                         std::to_string(mc.notConverged) + " did not converge)";
    std::vector<std::string> lines{
        "",
        "Monte Carlo: " + std::to_string(mc.trials) + " trials (" + how + "), " + failed +
            "; normal inputs, 95 % probabilistically symmetric intervals",
        "  " + padded("result", 27) + padded("mean", 12) + padded("u", 10) +
            padded("95 % interval", 26) + padded("GUM mean ± 1.96 u", 26) + "check"};
    for (const MonteCarloSpread& s : mc.results) {
        if (!mc.reliable()) // the figures of too few calibrated trials stand for nothing
            break;
        const ResultUncertainty* gum = budget.find(s.result);
        if (!gum)
            continue;
        const int decimals = decimalsOf(gum->u);
        const char* unit = resultUnit(s.result);
        const double U95 = kNormalFactor95 * gum->u;
        lines.push_back("  " + padded(describe(s.result).name, 27) +
                        padded(fixed(s.mean, decimals), 12) + padded(significantText(s.u, 2), 10) +
                        padded(interval(s.low, s.high, decimals, unit), 26) +
                        padded(interval(gum->value - U95, gum->value + U95, decimals, unit), 26) +
                        (s.agrees ? "agrees" : "differs") + " (d " + significantText(s.dLow, 1) +
                        ", " + significantText(s.dHigh, 1) + "; tolerance " +
                        significantText(s.tolerance, 1) + ")");
    }
    lines.push_back(agreementText(mc));
    return lines;
}

} // namespace

std::string significantText(double value, int digits) {
    if (value == 0 || !std::isfinite(value))
        return "0";
    int exponent = static_cast<int>(std::floor(std::log10(std::abs(value))));
    // 0.0000999 to two digits is 0.00010, a decade up.
    const double unit = std::pow(10.0, exponent - (digits - 1));
    if (std::round(std::abs(value) / unit) >= std::pow(10.0, digits))
        ++exponent;
    if (exponent >= 6 || exponent < -6) {
        const std::string mantissa =
            digits > 1 ? "0." + std::string(static_cast<std::size_t>(digits - 1), '0') : "0";
        return formatNumber(value, mantissa + "E-00");
    }
    return fixed(value, digits - 1 - exponent);
}

std::string resultUncertaintyText(const ResultUncertainty& r) {
    const int d = decimalsOf(r.u);
    const char* unit = resultUnit(r.result);
    return withUnit(fixed(r.value, d), unit) + ", u " + withUnit(fixed(r.u, d), unit) + ", U " +
           withUnit(fixed(r.U, d), unit) + ", interval " + interval(r.low, r.high, d, unit);
}

std::string agreementText(const MonteCarloResult& mc) {
    if (mc.cancelled)
        return "Monte Carlo cancelled";
    if (!mc.reliable())
        return "the Monte Carlo result is not reliable: " + std::to_string(mc.failed()) + " of " +
               std::to_string(mc.trials) + " trials did not calibrate";
    std::string differ;
    for (const MonteCarloSpread& s : mc.results)
        if (!s.agrees)
            differ += (differ.empty() ? "" : ", ") + std::string(describe(s.result).name);
    if (differ.empty())
        return "GUM and Monte Carlo agree";
    return "GUM and Monte Carlo differ (" + differ + "): use the Monte Carlo interval";
}

std::string sensitivityUnit(UncertainResult result, UncertaintyInput input) {
    const std::string of = resultUnit(result);
    const std::string per = describe(input).unit;
    if (per.empty())
        return of;
    return (of.empty() ? "1" : of) + "/" +
           (per.find(' ') != std::string::npos ? "(" + per + ")" : per);
}

std::string inputUncertaintyText(const AppliedUncertainty& a) {
    if (!a.note.empty() && a.note.starts_with("not an input"))
        return std::string(kNotDetermined) + " (" + a.note + ")";
    const InputDescription& d = describe(a.input);
    std::string text;
    const bool factor = *d.unit == '\0' && a.input != UncertaintyInput::PKw;
    // Stated numbers in their shortest form; the emf's scatter to two digits.
    const std::string percent = generalNumberText(100 * a.stated.value) + " %";
    if (a.stated.relative && a.input == UncertaintyInput::Addition)
        text = percent + " of each addition";
    else if (a.stated.relative && !factor)
        text = percent + " (" + withUnit(significantText(a.u, 2), d.unit) + ")";
    else if (a.stated.relative)
        text = percent;
    else if (a.input == UncertaintyInput::Emf && a.byDefault)
        text = withUnit(significantText(a.u, 2), d.unit);
    else
        text = withUnit(generalNumberText(a.u), d.unit);
    if (!a.note.empty())
        return text + " (" + a.note + ")";
    return a.byDefault ? text + " (default)" : text;
}

std::vector<std::string> uncertaintyLines(const UncertaintyBudget& budget,
                                          const MonteCarloResult* monteCarlo) {
    std::vector<std::string> lines{
        kUncertaintyHeading,
        "GUM, first order: each input changed by ± its standard uncertainty and the whole "
        "calibration calculated again (" +
            std::to_string(budget.calculations) + " calculations); the points stay " +
            (budget.from == RunFrom::Selection ? "as selected by the stated conditions"
                                               : "as chosen"),
        "Standard uncertainties of the inputs"};
    for (const AppliedUncertainty& a : budget.inputs)
        lines.push_back(inputLine(a));
    for (const ResultUncertainty& r : budget.results) {
        lines.push_back("");
        for (std::string& line : resultLines(r))
            lines.push_back(std::move(line));
    }
    if (monteCarlo)
        for (std::string& line : monteCarloLines(budget, *monteCarlo))
            lines.push_back(std::move(line));
    return lines;
}

} // namespace core

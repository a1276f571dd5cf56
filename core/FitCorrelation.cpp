#include "FitCorrelation.h"

#include "Format.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace core {

namespace {

std::size_t indexOf(const ResultValues& r, std::string_view name) {
    return static_cast<std::size_t>(std::find(r.refined.begin(), r.refined.end(), name) -
                                    r.refined.begin());
}

bool isAlkaline(std::string_view name) {
    return name == "pKw" || name == "end-point ratio";
}

std::string shown(std::string_view name) {
    return name == "slope" || name == "end-point ratio" ? "the " + std::string(name)
                                                        : std::string(name);
}

/// Which range holds what would tell the two apart.
const char* cure(std::string_view a, std::string_view b, Branch branch) {
    if (isAlkaline(a) || isAlkaline(b))
        return "widen the alkali range";
    if (a == "Gamma" || b == "Gamma")
        return "widen the acid range towards the end-point";
    return branch == Branch::Acid ? "widen the acid range" : "widen the pH ranges";
}

} // namespace

std::optional<double> pKwInflation(const ResultValues& r) {
    const std::size_t n = r.refined.size();
    const std::size_t e = indexOf(r, "E0"), k = indexOf(r, "pKw");
    if (e >= n || k >= n || !r.pKwSd || !(*r.pKwSd > 0) || r.correlation.size() != n * n)
        return std::nullopt;
    const double rho = r.correlation[e * n + k];
    const double held = kHeldPKwUncertainty / *r.pKwSd;
    const double ratio = 1 - rho * rho + rho * rho * held * held;
    if (!(ratio > 0))
        return std::nullopt;
    return 1 / std::sqrt(ratio);
}

std::vector<std::string> correlationWarnings(const ResultValues& r, Branch branch) {
    std::vector<std::string> warnings;
    if (const std::optional<double> f = pKwInflation(r); f && *f > kPKwInflation)
        warnings.push_back(
            std::string(kPKwIndistinct) + ": refined, pKw makes the deviation of E0 " +
            formatNumber(*f, "0.0") + " times what it is with pKw held at ± " +
            formatNumber(kHeldPKwUncertainty, "0.00") + "; widen the alkali range, or hold pKw");
    const std::size_t n = r.refined.size();
    if (r.correlation.size() != n * n)
        return warnings;
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = a + 1; b < n; ++b) {
            const std::string& first = r.refined[a];
            const std::string& second = r.refined[b];
            const double rho = r.correlation[a * n + b];
            if ((first == "E0" && second == "pKw") || !(std::abs(rho) > kIndistinctCorrelation))
                continue;
            warnings.push_back(shown(first) + " and " + shown(second) +
                               " cannot be told apart with these ranges (correlation " +
                               formatNumber(rho, "0.0#########") +
                               "): " + cure(first, second, branch));
        }
    return warnings;
}

} // namespace core

#include "ImportColumns.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace io {

namespace {

constexpr std::array<std::string_view, 13> kAmountNames{
    "v", "vol",  "volume", "volumen", "ml",      "ul",   "\xc2\xb5l",
    "g", "mass", "masse",  "titrant", "dosiert", "dosed"};
constexpr std::array<std::string_view, 10> kEmfNames{
    "e", "emf", "mv", "potential", "potenzial", "messwert", "u", "voltage", "spannung", "ise"};
constexpr std::array<std::string_view, 6> kUnits{"mv", "v", "ml", "g", "ul", "\xc2\xb5l"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

/// A header field as its name and its unit, both in lower case: "E [mV]" gives
/// "e" and "mv", "V / ml" gives "v" and "ml", "EMF mV" gives "emf" and "mv".
std::pair<std::string, std::string> nameAndUnit(std::string_view field) {
    const std::string low = lowerCase(trimBlanks(field));
    std::string name = low, unit;
    if (const auto open = low.find_first_of("(["); open != std::string::npos) {
        const auto close = low.find_first_of(")]", open);
        name = low.substr(0, open);
        unit =
            low.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    } else if (const auto slash = low.find('/'); slash != std::string::npos) {
        name = low.substr(0, slash);
        unit = low.substr(slash + 1);
    } else if (const auto blank = low.find_last_of(" \t");
               blank != std::string::npos && among(kUnits, low.substr(blank + 1))) {
        name = low.substr(0, blank);
        unit = low.substr(blank + 1);
    }
    return {std::string(trimBlanks(name)), std::string(trimBlanks(unit))};
}

} // namespace

HeaderColumns headerColumns(const std::vector<std::string>& fields) {
    HeaderColumns h;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto [name, unit] = nameAndUnit(fields[i]);
        const bool amountUnit = unit == "ml" || unit == "g" || unit == "ul" || unit == "\xc2\xb5l";
        const bool emfUnit = unit == "mv" || unit == "v";
        const int column = static_cast<int>(i);
        if (name == "ph" && h.pH < 0)
            h.pH = column;
        if (h.amount < 0 && (among(kAmountNames, name) || (name.empty() && amountUnit)) && !emfUnit)
            h.amount = column;
        else if (h.emf < 0 && (among(kEmfNames, name) || (name.empty() && emfUnit)) &&
                 !amountUnit) {
            h.emf = column;
            h.emfUnit = headerUnit(fields[i]);
        }
    }
    return h;
}

std::optional<EmfUnit> headerUnit(std::string_view field) {
    const auto [name, unit] = nameAndUnit(field);
    if (unit == "mv" || (unit.empty() && name == "mv"))
        return EmfUnit::mV;
    if (unit == "v")
        return EmfUnit::V;
    return std::nullopt;
}

bool countsRows(const std::vector<double>& values) {
    if (values.size() < 3 || (values.front() != 0 && values.front() != 1))
        return false;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] != values.front() + static_cast<double>(i))
            return false;
    return true;
}

bool looksLikeTimes(const std::vector<double>& values) {
    const bool whole = std::all_of(values.begin(), values.end(),
                                   [](double x) { return x >= 0 && x == std::floor(x); });
    return whole && !values.empty() && values.back() >= 60 &&
           std::is_sorted(values.begin(), values.end());
}

bool looksLikePH(const std::vector<double>& values) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (values.size() < 3 || *low < 0 || *high > 14 || *high - *low < 1)
        return false;
    const double overall = values.back() - values.front();
    std::size_t steps = 0, along = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        const double step = values[i] - values[i - 1];
        if (step == 0)
            continue;
        ++steps;
        along += (step > 0) == (overall > 0) ? 1 : 0;
    }
    return overall != 0 && 4 * along >= 3 * steps;
}

} // namespace io

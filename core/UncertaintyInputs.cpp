#include "UncertaintyInputs.h"

#include "FitCorrelation.h"
#include "Format.h"
#include "NumberEntry.h"

#include <cmath>

namespace core {

namespace {

constexpr StatedUncertainty absolute(double value) {
    return {value, false};
}
constexpr StatedUncertainty relative(double fraction) {
    return {fraction, true};
}

// Class A 25 ml pipettes (tolerance 0.03 ml, taken as a rectangular
// distribution); standard solutions to 0.1 % and 0.2 %; a piston burette's
// 0.1 % systematic and 2 ul per addition; a thermometer to 0.2 K; pKw of the
// medium to 0.02; a glass electrode in good condition within 0.7 % of Nernst
// (rectangular: 0.4 %).
const std::array<InputDescription, kUncertaintyInputCount> kInputs{{
    {"titrand-volume", "titrand_volume", "titrand volume", "ml", absolute(0.02), true},
    {"electrolyte-volume", "electrolyte_volume", "electrolyte volume", "ml", absolute(0.02), true},
    {"titrand-conc", "titrand_conc", "titrand concentration", "mol dm-3", relative(0.001), true},
    {"titrant-conc", "titrant_conc", "titrant concentration", "mol dm-3", relative(0.002), true},
    {"burette", "burette", "burette scale", "", relative(0.001), true},
    {"addition", "addition", "burette, each addition", "ml", absolute(0.002), true},
    {"temperature", "temperature", "temperature", "K", absolute(0.2), false},
    {"pkw", "pkw", "pKw", "", absolute(kHeldPKwUncertainty), true},
    {"emf", "emf", "emf reading", "mV", std::nullopt, false},
    {"slope-factor", "slope_factor", "slope factor of the held slope", "", relative(0.004), true},
}};

std::size_t indexOf(UncertaintyInput input) {
    return static_cast<std::size_t>(input);
}

/// The value the relative uncertainty of the input is a fraction of.
double reference(UncertaintyInput input, const Titration& t) {
    switch (input) {
    case UncertaintyInput::TitrandVolume:
        return t.v0.value;
    case UncertaintyInput::ElectrolyteVolume:
        return t.v1.value;
    case UncertaintyInput::TitrandConc:
        return t.Initial.value;
    case UncertaintyInput::TitrantConc:
        return t.Burette.value;
    case UncertaintyInput::PKw:
        return t.pKw;
    default: // a factor (burette scale, slope factor) or per addition
        return 1;
    }
}

/// The emf's default: the fit's scatter, its sum of squares over the degrees of freedom.
double residualScatter(const Titration& t) {
    const ResultValues& r = t.results;
    const int n = t.UsedCount();
    const int p = r.refined.empty() ? 2 : static_cast<int>(r.refined.size());
    if (!r.rms || n <= p)
        return 0;
    return *r.rms * std::sqrt(static_cast<double>(n) / (n - p));
}

/// Why an input does not enter this calibration; empty when it does.
std::string notAnInput(UncertaintyInput input, const Titration& t) {
    const Inputs& in = t.inputs;
    if (input == UncertaintyInput::TitrantConc && in.RefineGamma)
        return "not an input: Gamma refined finds the titrant";
    if (input == UncertaintyInput::PKw && in.RefinePKw)
        return "not an input: refined";
    if (input == UncertaintyInput::PKw && in.branch == Branch::Acid)
        return "not an input: the acid branch alone";
    if (input == UncertaintyInput::SlopeFactor &&
        !(in.branch == Branch::Acid && !in.RefineAcidSlope))
        return "not an input: the slope is refined";
    if (input == UncertaintyInput::ElectrolyteVolume && t.v1.value == 0)
        return "not an input: no electrolyte";
    return {};
}

} // namespace

const InputDescription& describe(UncertaintyInput input) {
    return kInputs[indexOf(input)];
}

std::optional<UncertaintyInput> inputOfKey(std::string_view key) {
    for (UncertaintyInput input : kUncertaintyInputs)
        if (key == describe(input).key)
            return input;
    return std::nullopt;
}

std::string parseStatedUncertainty(UncertaintyInput input, std::string_view text,
                                   StatedUncertainty& stated) {
    std::string_view number = text;
    while (!number.empty() && (number.back() == ' ' || number.back() == '\t'))
        number.remove_suffix(1);
    const bool percent = number.ends_with('%');
    if (percent)
        number.remove_suffix(1);
    const InputDescription& d = describe(input);
    if (!hasNumber(number))
        return "needs a number, not \"" + std::string(text) + "\"";
    RecordingSink problems;
    const double value = TextToNumber(number, problems);
    if (!problems.messages.empty() || !std::isfinite(value))
        return "\"" + std::string(text) + "\" is out of range";
    if (value < 0)
        return "cannot be negative: \"" + std::string(text) + "\"";
    if (percent && !d.relativeAllowed)
        return std::string("is in ") + d.unit + ", not a percentage: \"" + std::string(text) + "\"";
    stated = {percent ? value / 100 : value, percent};
    return {};
}

std::string statedText(const StatedUncertainty& stated) {
    return stated.relative ? generalNumberText(stated.value * 100) + "%"
                           : generalNumberText(stated.value);
}

std::array<AppliedUncertainty, kUncertaintyInputCount>
applyUncertainties(const Titration& t, const UncertaintyInputs& inputs) {
    std::array<AppliedUncertainty, kUncertaintyInputCount> applied{};
    for (UncertaintyInput input : kUncertaintyInputs) {
        AppliedUncertainty& a = applied[indexOf(input)];
        a.input = input;
        a.note = notAnInput(input, t);
        const std::optional<StatedUncertainty>& stated = inputs[input];
        a.byDefault = !stated;
        if (stated)
            a.stated = *stated;
        else if (describe(input).byDefault)
            a.stated = *describe(input).byDefault;
        else { // the emf
            a.stated = {residualScatter(t), false};
            a.note = "the fit's residual scatter";
        }
        const bool perAddition = input == UncertaintyInput::Addition;
        a.u = a.stated.relative && !perAddition ? a.stated.value * std::abs(reference(input, t))
                                                : a.stated.value;
        a.applies = notAnInput(input, t).empty() && a.u > 0 && std::isfinite(a.u);
    }
    return applied;
}

std::vector<double> additionUncertainties(const AppliedUncertainty& addition,
                                          const std::vector<Point>& points) {
    std::vector<double> u(points.size(), 0.0);
    if (!addition.applies)
        return u;
    double before = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double added = points[i].Volume - before;
        before = points[i].Volume;
        if (added != 0)
            u[i] = addition.stated.relative ? addition.stated.value * std::abs(added)
                                            : addition.stated.value;
    }
    return u;
}

} // namespace core

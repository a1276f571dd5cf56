#include "UncertaintyBudget.h"

#include "Format.h"

#include <cmath>

namespace core {

namespace {

std::size_t at(UncertaintyInput input) {
    return static_cast<std::size_t>(input);
}
std::size_t at(UncertainResult r) {
    return static_cast<std::size_t>(r);
}

/// Sums of the coefficients and the contributions of one input, per result.
struct Sums {
    ResultVector cc{}; ///< sum of c^2
    ResultVector uu{}; ///< sum of (c u)^2
};

/// Central differences of the whole calibration for one change at a time.
class Differences {
public:
    explicit Differences(const MeasurementModel& model)
        : m_model(model), m_workspace(model.workspace()) {
        m_changes.emf.assign(model.pointCount(), 0.0);
        m_changes.addition.assign(model.pointCount(), 0.0);
    }

    /// The coefficients of the change that `set` makes with a step; a failed
    /// calculation tries a quarter of the step before it gives up.
    template <typename Set>
    std::string coefficients(Set set, double step, const std::string& what, ResultVector& c) {
        for (double h : {step, step / 4}) {
            ResultVector up{}, down{};
            set(m_changes, h);
            const TrialEnding a = m_model.evaluate(m_changes, m_workspace, up);
            set(m_changes, -h);
            const TrialEnding b = m_model.evaluate(m_changes, m_workspace, down);
            set(m_changes, 0.0);
            m_calculations += 2;
            if (a == TrialEnding::Calibrated && b == TrialEnding::Calibrated) {
                for (std::size_t r = 0; r < c.size(); ++r)
                    c[r] = (up[r] - down[r]) / (2 * h);
                return {};
            }
            if (h != step)
                return failure(set, a != TrialEnding::Calibrated ? h : -h, what);
        }
        return {};
    }

    int calculations() const { return m_calculations; }

private:
    template <typename Set> std::string failure(Set set, double h, const std::string& what) {
        RecordingSink why;
        ResultVector ignored{};
        set(m_changes, h);
        static_cast<void>(m_model.evaluate(m_changes, m_workspace, ignored, &why));
        set(m_changes, 0.0);
        std::string text = "the calibration does not hold when " + what;
        if (!why.messages.empty())
            text += ": " + why.messages.back().text;
        return text;
    }

    const MeasurementModel& m_model;
    ModelWorkspace m_workspace;
    InputChanges m_changes;
    int m_calculations = 0;
};

std::string unitText(const InputDescription& d) {
    return *d.unit ? std::string(" ") + d.unit : std::string();
}

/// What a change of an input by its uncertainty is called in a message.
std::string changeText(const AppliedUncertainty& a, const std::string& where = {}) {
    const InputDescription& d = describe(a.input);
    return std::string("the ") + d.name + where + " changes by ± " +
           formatNumber(a.u, "0.0##########") + unitText(d);
}

void addTo(Sums& sums, const ResultVector& c, double u) {
    for (std::size_t r = 0; r < c.size(); ++r) {
        sums.cc[r] += c[r] * c[r];
        sums.uu[r] += c[r] * c[r] * u * u;
    }
}

std::optional<double> fitSdOf(UncertainResult r, const Titration& t) {
    const ResultValues& v = t.results;
    switch (r) {
    case UncertainResult::E0:
        return v.E0sd;
    case UncertainResult::Slope:
        return v.slopeSd;
    case UncertainResult::SlopeFactor:
        if (v.slopeSd && v.slope && v.slopeFactor && *v.slope != 0)
            return *v.slopeSd * *v.slopeFactor / *v.slope;
        return std::nullopt;
    case UncertainResult::Gamma:
        return v.gammaSd;
    case UncertainResult::PKw:
        return v.pKwSd;
    case UncertainResult::AcidEndPoint:
        return v.acidEndPointSd;
    case UncertainResult::AlkaliEndPoint:
        return v.alkaliEndPointSd;
    case UncertainResult::EndPointRatio:
        return v.endPointRatioSd;
    case UncertainResult::Impurity:
        if (v.endPointRatioSd)
            return 100 * *v.endPointRatioSd;
        return std::nullopt;
    case UncertainResult::AlkaliConc:
        return v.alkaliConcSd;
    }
    return std::nullopt;
}

} // namespace

const ResultUncertainty* UncertaintyBudget::find(UncertainResult r) const {
    for (const ResultUncertainty& u : results)
        if (u.result == r)
            return &u;
    return nullptr;
}

namespace {

/// The scalar inputs' coefficients, then the emf readings' and the additions'.
struct Coefficients {
    std::array<ResultVector, kUncertaintyInputCount> scalar{};
    Sums emf, addition;
};

std::string scalarCoefficients(Differences& differences, const UncertaintyBudget& b,
                               Coefficients& c) {
    for (const AppliedUncertainty& a : b.inputs) {
        if (!a.applies || a.input == UncertaintyInput::Emf || a.input == UncertaintyInput::Addition)
            continue;
        const UncertaintyInput input = a.input;
        const auto set = [input](InputChanges& d, double h) { d[input] = h; };
        if (std::string e = differences.coefficients(set, a.u, changeText(a), c.scalar[at(input)]);
            !e.empty())
            return e;
    }
    return {};
}

std::string pointCoefficients(Differences& differences, const UncertaintyBudget& b,
                              const Titration& t, Coefficients& c) {
    const AppliedUncertainty& emf = b.inputs[at(UncertaintyInput::Emf)];
    const std::vector<double>& additions = b.additionU;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const std::string where = " of point " + std::to_string(i + 1);
        ResultVector coefficient{};
        // Only the used points' emfs enter the fits; the selection goes by the volumes.
        if (b.emfU[i] > 0) {
            const auto set = [i](InputChanges& d, double h) { d.emf[i] = h; };
            if (std::string e =
                    differences.coefficients(set, emf.u, changeText(emf, where), coefficient);
                !e.empty())
                return e;
            addTo(c.emf, coefficient, emf.u);
        }
        if (additions[i] > 0) {
            AppliedUncertainty addition = b.inputs[at(UncertaintyInput::Addition)];
            addition.u = additions[i];
            const auto set = [i](InputChanges& d, double h) { d.addition[i] = h; };
            if (std::string e = differences.coefficients(set, additions[i],
                                                         changeText(addition, where), coefficient);
                !e.empty())
                return e;
            addTo(c.addition, coefficient, additions[i]);
        }
    }
    return {};
}

BudgetLine vectorLine(UncertaintyInput input, const Sums& sums, std::size_t r) {
    BudgetLine line;
    line.input = input;
    line.sensitivity = std::sqrt(sums.cc[r]);
    line.contribution = std::sqrt(sums.uu[r]);
    // The effective u of one reading: the stated one unless the additions' differ.
    line.u = line.sensitivity > 0 ? line.contribution / line.sensitivity : 0;
    return line;
}

ResultUncertainty resultUncertainty(UncertainResult r, const UncertaintyBudget& b,
                                    const Coefficients& c, const Titration& t) {
    ResultUncertainty ru;
    ru.result = r;
    ru.value = resultVector(t)[at(r)];
    ru.fitSd = fitSdOf(r, t);
    double variance = 0;
    for (const AppliedUncertainty& a : b.inputs) {
        if (!a.applies)
            continue;
        BudgetLine line;
        if (a.input == UncertaintyInput::Emf || a.input == UncertaintyInput::Addition) {
            line =
                vectorLine(a.input, a.input == UncertaintyInput::Emf ? c.emf : c.addition, at(r));
            if (a.input == UncertaintyInput::Emf || !a.stated.relative)
                line.u = a.u;
        } else {
            line.input = a.input;
            line.u = a.u;
            line.sensitivity = c.scalar[at(a.input)][at(r)];
            line.contribution = std::abs(line.sensitivity) * a.u;
        }
        variance += line.contribution * line.contribution;
        ru.lines.push_back(line);
    }
    ru.u = std::sqrt(variance);
    for (BudgetLine& line : ru.lines)
        line.share = variance > 0 ? 100 * line.contribution * line.contribution / variance : 0;
    ru.U = ru.k * ru.u;
    ru.low = ru.value - ru.U;
    ru.high = ru.value + ru.U;
    return ru;
}

/// A standard uncertainty as large as the quantity itself (a volume that may as
/// well be negative) describes no measurement.
std::string implausible(const std::array<AppliedUncertainty, kUncertaintyInputCount>& inputs,
                        const Titration& t) {
    for (const AppliedUncertainty& a : inputs) {
        double size = 0;
        switch (a.input) {
        case UncertaintyInput::TitrandVolume:
            size = t.v0.value;
            break;
        case UncertaintyInput::ElectrolyteVolume:
            size = t.v1.value;
            break;
        case UncertaintyInput::TitrandConc:
            size = t.Initial.value;
            break;
        case UncertaintyInput::TitrantConc:
            size = t.Burette.value;
            break;
        case UncertaintyInput::Burette:
        case UncertaintyInput::SlopeFactor:
            size = 1;
            break;
        default:
            continue;
        }
        if (a.applies && !(a.u < std::abs(size)))
            return "the standard uncertainty of the " + std::string(describe(a.input).name) +
                   " is not below the quantity itself";
    }
    return {};
}

bool allFinite(const UncertaintyBudget& b) {
    for (const ResultUncertainty& r : b.results) {
        bool finite = std::isfinite(r.value) && std::isfinite(r.u);
        for (const BudgetLine& line : r.lines)
            finite = finite && std::isfinite(line.sensitivity) && std::isfinite(line.contribution);
        if (!finite)
            return false;
    }
    return true;
}

} // namespace

std::string evaluateBudget(const MeasurementModel& model, const UncertaintyInputs& stated,
                           UncertaintyBudget& budget) {
    budget = {};
    ModelWorkspace central = model.workspace();
    ResultVector values{};
    RecordingSink why;
    if (model.evaluate({}, central, values, &why) != TrialEnding::Calibrated)
        return "no uncertainty without a calibration whose refinements converged" +
               (why.messages.empty() ? std::string() : " (" + why.messages.front().text + ")");
    const Titration& t = central.titration;
    budget.inputs = applyUncertainties(t, stated);
    if (std::string error = implausible(budget.inputs, t); !error.empty()) {
        budget = {};
        return error;
    }
    const AppliedUncertainty& emf = budget.inputs[at(UncertaintyInput::Emf)];
    for (const Point& p : t.points)
        budget.emfU.push_back(p.UsePoint && emf.applies ? emf.u : 0.0);
    budget.additionU =
        additionUncertainties(budget.inputs[at(UncertaintyInput::Addition)], t.points);
    Differences differences(model);
    Coefficients c;
    std::string error = scalarCoefficients(differences, budget, c);
    if (error.empty())
        error = pointCoefficients(differences, budget, t, c);
    if (!error.empty()) {
        budget = {};
        return error;
    }
    for (int r = 0; r < kUncertainResultCount; ++r)
        if (model.gives()[static_cast<std::size_t>(r)])
            budget.results.push_back(
                resultUncertainty(static_cast<UncertainResult>(r), budget, c, t));
    budget.calculations = differences.calculations() + 1;
    budget.from = model.from();
    if (!allFinite(budget)) {
        budget = {};
        return "the uncertainty budget gives no finite result";
    }
    return {};
}

} // namespace core

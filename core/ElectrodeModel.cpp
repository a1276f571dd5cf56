#include "ElectrodeModel.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace core {

namespace {

constexpr double kLn10 = std::numbers::ln10;

double log10Of(double x) {
    return std::log(x) / kLn10;
}

/// What multiplies the slope in the calculated emf: log10[H+], -pH.
inline double emfTerm(const ElectrodeModel& m, double V) {
    const double vT = m.titrandVolume;
    const double total = m.InitialVolume + V;
    double TotalH = (vT * m.TitrandConc + V * (m.BuretteConc * m.Param[2])) / total;
    if (TotalH > 0)
        return log10Of(TotalH);
    if (TotalH == 0)
        return -m.pKw / 2;
    // Beyond the end-point only part of the titrant acts as strong base.
    TotalH = (vT * m.TitrandConc + V * (m.BuretteConc * (m.Param[2] * m.EndPointRatio))) / total;
    if (TotalH < 0)
        return -(m.pKw + log10Of(-TotalH));
    if (TotalH > 0)
        return log10Of(TotalH);
    return -m.pKw / 2;
}

inline double ycalc(const ElectrodeModel& m, double V) {
    return m.Param[0] + m.Param[1] * emfTerm(m, V);
}

/// Kw is passed in so that the loops form 10^-pKw once.
inline std::array<double, 3> derivs(const ElectrodeModel& m, double V, double Kw) {
    const double total = m.InitialVolume + V;
    const double TotalH = (m.TitrandConc * m.titrandVolume + (m.Gamma * m.BuretteConc) * V) / total;
    if (TotalH > 0)
        return {1, log10Of(TotalH), ((m.Param[1] / (kLn10 * TotalH)) * m.BuretteConc) * V / total};
    if (TotalH == 0)
        return {1, -m.pKw / 2, 0};
    // In alkaline solution the Gamma derivative carries Kw / TotalH^2, which keeps it small.
    return {1, -m.pKw - log10Of(-TotalH),
            ((((-m.Param[1]) / (kLn10 * TotalH)) * m.BuretteConc) * V / total) * Kw / TotalH /
                TotalH};
}

/// The slope derivative alone (the Gamma one needs the slope, this does not).
inline double slopeDerivative(const ElectrodeModel& m, double V) {
    const double total = m.InitialVolume + V;
    const double TotalH = (m.TitrandConc * m.titrandVolume + (m.Gamma * m.BuretteConc) * V) / total;
    if (TotalH > 0)
        return log10Of(TotalH);
    if (TotalH == 0)
        return -m.pKw / 2;
    return -m.pKw - log10Of(-TotalH);
}

double tenToMinus(double pKw) {
    return std::pow(10.0, -pKw);
}

void mirror(NormalEquations& eq) {
    auto& A = eq.NormMatrix;
    for (int j = 0; j < 3; ++j)
        for (int k = j + 1; k < 3; ++k)
            A[k][j] = A[j][k];
}

} // namespace

ElectrodeModel electrodeModel(const Titration& t) {
    ElectrodeModel m;
    m.titrandVolume = t.v0.value;
    m.InitialVolume = t.InitialVolume;
    m.TitrandConc = t.TitrandConc;
    m.BuretteConc = t.BuretteConc;
    m.pKw = t.pKw;
    m.Param = t.Param;
    m.Gamma = t.Gamma;
    m.EndPointRatio = t.EndPointRatio;
    return m;
}

PointColumns::PointColumns(const std::vector<Point>& points) {
    Volume.reserve(points.size());
    EmfObs.reserve(points.size());
    UsePoint.reserve(points.size());
    for (const Point& p : points) {
        Volume.push_back(p.Volume);
        EmfObs.push_back(p.EmfObs);
        UsePoint.push_back(p.UsePoint ? 1 : 0);
        UsedCount += p.UsePoint ? 1 : 0;
    }
}

double Ycalc(const ElectrodeModel& m, double volume) {
    return ycalc(m, volume);
}

std::array<double, 3> CalcDerivs(const ElectrodeModel& m, double volume) {
    return derivs(m, volume, tenToMinus(m.pKw));
}

namespace {

/// ExactDerivs with the log10 of the excess of acid or base from `logOf`.
template <typename LogOf>
inline std::array<double, 5> exactDerivs(const ElectrodeModel& m, double V, LogOf logOf) {
    const double vT = m.titrandVolume;
    const double total = m.InitialVolume + V;
    const double slope = m.Param[1];
    const double titrant = V * m.BuretteConc / total; // d TotalH / d Gamma
    double TotalH = (vT * m.TitrandConc + V * (m.BuretteConc * m.Param[2])) / total;
    if (TotalH > 0)
        return {1, logOf(TotalH), slope * titrant / (kLn10 * TotalH), 0, 0};
    if (TotalH == 0)
        return {1, -m.pKw / 2, 0, -slope / 2, 0};
    TotalH = (vT * m.TitrandConc + V * (m.BuretteConc * (m.Param[2] * m.EndPointRatio))) / total;
    // d log10(TotalH) / d Gamma and / d EndPointRatio.
    const double perGamma = titrant * m.EndPointRatio / (kLn10 * TotalH);
    const double perRatio = titrant * m.Param[2] / (kLn10 * TotalH);
    if (TotalH < 0)
        return {1, -(m.pKw + logOf(-TotalH)), -slope * perGamma, -slope, -slope * perRatio};
    if (TotalH > 0)
        return {1, logOf(TotalH), slope * perGamma, 0, slope * perRatio};
    return {1, -m.pKw / 2, 0, -slope / 2, 0};
}

} // namespace

std::array<double, 5> ExactDerivs(const ElectrodeModel& m, double V) {
    return exactDerivs(m, V, log10Of);
}

std::array<double, 5> ExactDerivs(const ElectrodeModel& m, double V, double term) {
    std::array<double, 5> D = exactDerivs(m, V, [](double) { return 0.0; });
    D[1] = term;
    return D;
}

double usedSsq(const ElectrodeModel& m, const PointColumns& points, std::span<double> Resid,
               std::span<double> Term) {
    double S = 0;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (!points.UsePoint[i])
            continue;
        const double term = emfTerm(m, points.Volume[i]);
        const double r = points.EmfObs[i] - (m.Param[0] + m.Param[1] * term);
        Resid[i] = r;
        Term[i] = term;
        S += r * r;
    }
    return S;
}

double Ssq(const ElectrodeModel& m, const PointColumns& points, std::span<double> Resid) {
    double S = 0;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double r = points.EmfObs[i] - ycalc(m, points.Volume[i]);
        Resid[i] = r;
        // Adding zero leaves the sum exactly as it was; no branch in the loop.
        S += points.UsePoint[i] ? r * r : 0.0;
    }
    return S;
}

double Ssq(Titration& t) {
    const ElectrodeModel m = electrodeModel(t);
    double S = 0;
    for (Point& p : t.points) {
        p.Resid = p.EmfObs - ycalc(m, p.Volume);
        if (p.UsePoint)
            S += p.Resid * p.Resid;
    }
    return S;
}

NormalEquations accumulateNormal(const ElectrodeModel& m, const PointColumns& points,
                                 std::span<const double> Resid) {
    NormalEquations eq;
    auto& A = eq.NormMatrix;
    auto& b = eq.NormRhs;
    const double Kw = tenToMinus(m.pKw);
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points.UsePoint[i])
            continue;
        const std::array<double, 3> D = derivs(m, points.Volume[i], Kw);
        for (int j = 0; j < 3; ++j) {
            b[j] += D[j] * Resid[i];
            for (int k = j; k < 3; ++k)
                A[j][k] += D[j] * D[k];
        }
    }
    mirror(eq);
    return eq;
}

namespace {

std::array<double, 7> basisOf(const ElectrodeModel& m) {
    return {m.titrandVolume, m.InitialVolume, m.TitrandConc, m.BuretteConc,
            m.pKw,           m.Param[2],      m.Gamma};
}

/// The titrant in excess of the titrand with the model's Gamma, as emfTerm forms it first.
inline double excessAcid(const ElectrodeModel& m, double V) {
    return (m.titrandVolume * m.TitrandConc + V * (m.BuretteConc * m.Param[2])) /
           (m.InitialVolume + V);
}

} // namespace

void LinearTerms::refresh(const ElectrodeModel& m, const PointColumns& points) {
    const std::array<double, 7> basis = basisOf(m);
    // Compared bit for bit: equal values of another sign of zero are not the same input.
    if (!m_computed || emfTerm.size() != points.size() ||
        std::memcmp(basis.data(), m_basis.data(), sizeof basis) != 0) {
        compute(m, points);
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!(excessAcid(m, points.Volume[i]) >= 0))
            emfTerm[i] = core::emfTerm(m, points.Volume[i]);
}

void LinearTerms::compute(const ElectrodeModel& m, const PointColumns& points) {
    m_basis = basisOf(m);
    m_computed = true;
    const std::size_t n = points.size();
    emfTerm.resize(n);
    slopeDeriv.resize(n);
    // With the Gamma of the derivative the model's and no end-point ratio, the
    // slope derivative is the emf term, bit for bit: no second logarithm.
    const bool same = m.Gamma == m.Param[2] && m.EndPointRatio == 1;
    for (std::size_t i = 0; i < n; ++i) {
        emfTerm[i] = core::emfTerm(m, points.Volume[i]);
        if (!points.UsePoint[i])
            slopeDeriv[i] = 0.0;
        else
            slopeDeriv[i] = same ? emfTerm[i] : slopeDerivative(m, points.Volume[i]);
    }
}

double Ssq(const ElectrodeModel& m, const LinearTerms& terms, const PointColumns& points,
           std::span<double> Resid) {
    const double E0 = m.Param[0];
    const double slope = m.Param[1];
    double S = 0;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double r = points.EmfObs[i] - (E0 + slope * terms.emfTerm[i]);
        Resid[i] = r;
        S += points.UsePoint[i] ? r * r : 0.0;
    }
    return S;
}

NormalEquations accumulateNormal(const LinearTerms& terms, const PointColumns& points,
                                 std::span<const double> Resid) {
    NormalEquations eq;
    double n = 0, sumD = 0, sumDD = 0, sumR = 0, sumDR = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points.UsePoint[i])
            continue;
        const double D = terms.slopeDeriv[i];
        n += 1;
        sumD += D;
        sumDD += D * D;
        sumR += Resid[i];
        sumDR += D * Resid[i];
    }
    eq.NormMatrix[0] = {n, sumD, 0};
    eq.NormMatrix[1] = {sumD, sumDD, 0};
    eq.NormRhs = {sumR, sumDR, 0};
    return eq;
}

} // namespace core

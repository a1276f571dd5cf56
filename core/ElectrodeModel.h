#pragma once

#include "Titration.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace core {

/// What the electrode model reads: the conditions as the last command copied
/// them into the model, the parameters and the end-point ratio.
struct ElectrodeModel {
    double titrandVolume = 0; ///< vT, ml
    double InitialVolume = 0; ///< titrand + electrolyte volume, ml
    double TitrandConc = 0;
    double BuretteConc = 0;
    double pKw = 0;
    std::array<double, 3> Param{0, 0, 1}; ///< E0 (mV), slope (mV per pH), Gamma
    double Gamma = 1;         ///< the Gamma of the derivatives (set once per refinement step)
    double EndPointRatio = 1; ///< scales the titrant beyond the end-point
};

/// The model as the titration holds it now (its copies of the conditions and
/// its parameters; the titrand volume from the condition v0).
ElectrodeModel electrodeModel(const Titration& t);

/// The points as columns: what the calculation's loops read.
struct PointColumns {
    std::vector<double> Volume;
    std::vector<double> EmfObs;
    std::vector<unsigned char> UsePoint;
    int UsedCount = 0;

    explicit PointColumns(const std::vector<Point>& points);
    std::size_t size() const { return Volume.size(); }
};

/// Calculated emf at a titrant volume, mV: E0 + slope * log10[H+] from the
/// stoichiometry. Beyond the end-point the titrant is scaled by EndPointRatio;
/// a solution with no excess of acid or base is at pH pKw / 2.
double Ycalc(const ElectrodeModel& m, double volume);

/// Derivatives of the calculated emf with respect to E0, slope and Gamma. They
/// take Gamma from ElectrodeModel::Gamma and leave out EndPointRatio. The plain
/// form of what accumulateNormal sums; the tests hold the fast sums to it.
std::array<double, 3> CalcDerivs(const ElectrodeModel& m, double volume);

/// Exact derivatives of Ycalc, as it is evaluated, with respect to E0, slope,
/// Gamma (Param[2]), pKw and EndPointRatio: beyond the end-point with the ratio included.
std::array<double, 5> ExactDerivs(const ElectrodeModel& m, double volume);

/// Sum of squared residuals (observed - calculated emf) over the used points,
/// mV squared. Writes the residual of every point, used or not, into Resid.
double Ssq(const ElectrodeModel& m, const PointColumns& points, std::span<double> Resid);

/// The same sum, bit for bit, made over the used points alone: their residuals
/// go into Resid and what multiplies the slope in their calculated emf (the
/// slope derivative of ExactDerivs) into Term; the other points' are left as
/// they were.
double usedSsq(const ElectrodeModel& m, const PointColumns& points, std::span<double> Resid,
               std::span<double> Term);

/// ExactDerivs with its slope derivative (a logarithm) given: the Term of usedSsq
/// at the same model. The same numbers, bit for bit.
std::array<double, 5> ExactDerivs(const ElectrodeModel& m, double volume, double term);

/// The same on the titration itself: refreshes every point's Resid (the
/// window's residual plot reads them).
double Ssq(Titration& t);

/// The normal equations of one Gauss-Newton step, accumulated over the used points.
struct NormalEquations {
    std::array<std::array<double, 3>, 3> NormMatrix{}; ///< both triangles
    std::array<double, 3> NormRhs{};
};

/// All three derivatives at every used point; Resid must hold the residuals at
/// the model's parameters (the last Ssq was made with them).
NormalEquations accumulateNormal(const ElectrodeModel& m, const PointColumns& points,
                                 std::span<const double> Resid);

/// While Gamma and EndPointRatio stay fixed the model is linear in E0 and
/// slope: Ycalc = E0 + slope * emfTerm[i], and the slope derivative is
/// slopeDeriv[i]. A refinement with Gamma held computes these once and then
/// needs no logarithm per point; the results are the same to the last bit.
struct LinearTerms {
    std::vector<double> emfTerm;
    std::vector<double> slopeDeriv;

    void compute(const ElectrodeModel& m, const PointColumns& points);

    /// compute() for the same points again. When only EndPointRatio changed
    /// since the last computation (as between the refinements of one
    /// calculation), only the emf terms beyond the end-point are made again:
    /// the others and every slope derivative do not depend on it.
    void refresh(const ElectrodeModel& m, const PointColumns& points);

private:
    /// The model's values the terms were computed with, EndPointRatio aside.
    std::array<double, 7> m_basis{};
    bool m_computed = false;
};

double Ssq(const ElectrodeModel& m, const LinearTerms& terms, const PointColumns& points,
           std::span<double> Resid);

/// The E0 and slope block of the normal equations (the Gamma row and column stay zero).
NormalEquations accumulateNormal(const LinearTerms& terms, const PointColumns& points,
                                 std::span<const double> Resid);

} // namespace core

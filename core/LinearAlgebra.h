#pragma once

#include <array>

namespace core {

/// 3 x 3 storage; the routines use the leading n x n block only.
using Matrix3 = std::array<std::array<double, 3>, 3>;
using Vector3 = std::array<double, 3>;

/// The status SolveNormal sets when it cannot solve the system.
inline constexpr int kSolveFailed = 2;

/// Solves the symmetric system A x = b (A complete, both triangles) by an
/// L D L-transpose factorisation without square roots and without pivoting:
/// A = U' D U with U unit upper triangular. On return b holds x, the strict
/// upper triangle of A holds U, d the diagonal of D; the diagonal and the lower
/// triangle of A keep their input. A zero pivot or a value that overflows sets
/// status to kSolveFailed (A, b and d are then meaningless); otherwise status
/// is left as it was.
void SolveNormal(Matrix3& A, Vector3& b, Vector3& d, int n, int& status);

/// Turns the factors SolveNormal left in A and d (same n) into the inverse of
/// the original matrix, stored in the upper triangle with the diagonal; the
/// lower triangle is left as it was.
void InvertFactored(Matrix3& A, const Vector3& d, int n);

} // namespace core

#include "LinearAlgebra.h"

#include <cmath>

namespace core {

void SolveNormal(Matrix3& A, Vector3& b, Vector3& d, int n, int& status) {
    for (int i = 0; i < n; ++i) {
        double di = A[i][i];
        for (int k = 0; k < i; ++k)
            di -= d[k] * A[k][i] * A[k][i];
        d[i] = di;
        if (di == 0 || !std::isfinite(di)) {
            status = kSolveFailed;
            return;
        }
        for (int j = i + 1; j < n; ++j) {
            double t = A[j][i]; // the lower triangle still holds the input
            for (int k = 0; k < i; ++k)
                t -= d[k] * A[k][j] * A[k][i];
            A[i][j] = t / di;
            if (!std::isfinite(A[i][j])) {
                status = kSolveFailed;
                return;
            }
        }
    }
    for (int j = 1; j < n; ++j)
        for (int k = 0; k < j; ++k)
            b[j] -= b[k] * A[k][j];
    for (int j = n - 1; j >= 0; --j) {
        b[j] /= d[j];
        for (int k = j + 1; k < n; ++k)
            b[j] -= b[k] * A[j][k];
    }
    for (int j = 0; j < n; ++j) {
        if (!std::isfinite(b[j])) {
            status = kSolveFailed;
            return;
        }
    }
}

void InvertFactored(Matrix3& A, const Vector3& d, int n) {
    if (n == 1) {
        A[0][0] = 1 / d[0];
        return;
    }
    // U-inverse in place, row by row; the rows below i still hold U.
    for (int i = 0; i < n; ++i) {
        A[i][i] = 1;
        for (int j = i + 1; j < n; ++j) {
            double t = -A[i][j];
            for (int k = i + 1; k < j; ++k)
                t -= A[i][k] * A[k][j];
            A[i][j] = t;
        }
    }
    // U-inverse D-inverse U-inverse'; each element is overwritten after its last use.
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) {
            double t = 0;
            for (int k = j; k < n; ++k)
                t += A[i][k] * A[j][k] / d[k];
            A[i][j] = t;
        }
    }
}

} // namespace core

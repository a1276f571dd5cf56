#include "core/LinearAlgebra.h"

#include <gtest/gtest.h>

namespace {

using core::Matrix3;
using core::Vector3;

TEST(SolveNormal, WorkedExamplesAndTheirInverses) {
    // Order two leaves row and column three alone, and the status on success.
    const double x = 12345.5;
    Matrix3 A{{{4, 2, x}, {2, 3, x}, {x, x, x}}};
    Vector3 b{2, 1, x}, d{0, 0, x};
    int status = 7;
    core::SolveNormal(A, b, d, 2, status);
    EXPECT_EQ(d, (Vector3{4, 2, x}));
    EXPECT_EQ(b, (Vector3{0.5, 0, x}));
    // U in the strict upper triangle; the diagonal and the lower triangle keep their input.
    EXPECT_EQ(A, (Matrix3{{{4, 0.5, x}, {2, 3, x}, {x, x, x}}}));
    core::InvertFactored(A, d, 2);
    EXPECT_EQ(A, (Matrix3{{{0.375, -0.25, x}, {2, 0.5, x}, {x, x, x}}}));
    // Order three: the determinant is 301, the inverse the cofactors over it.
    A = {{{10, 3, -2}, {3, 8, 1}, {-2, 1, 5}}};
    b = {1, -2, 3};
    core::SolveNormal(A, b, d, 3, status);
    core::InvertFactored(A, d, 3);
    const Matrix3 cofactors{{{39, -17, 19}, {0, 46, -16}, {0, 0, 71}}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(b[i], (Vector3{130, -157, 264}[i]) / 301, 1e-15) << i;
        for (int j = i; j < 3; ++j)
            EXPECT_NEAR(A[i][j], cofactors[i][j] / 301, 1e-15) << i << j;
    }
    EXPECT_EQ(status, 7);
}

TEST(SolveNormal, SingularOrOverflowingSystemsFail) {
    const Matrix3 cases[] = {
        {{{0, 1, 0}, {1, 2, 0}, {0, 0, 0}}},              // d(1) = 0: a derivative zero everywhere
        {{{1, 2, 0}, {2, 4, 0}, {0, 0, 0}}},              // two equal columns
        {{{1e-300, 1e300, 0}, {1e300, 1, 0}, {0, 0, 0}}}, // overflow
    };
    for (const Matrix3& input : cases) {
        Matrix3 A = input;
        Vector3 b{1, 1, 1}, d{};
        int status = 0;
        core::SolveNormal(A, b, d, 2, status);
        EXPECT_EQ(status, core::kSolveFailed) << input[0][0];
    }
}

} // namespace

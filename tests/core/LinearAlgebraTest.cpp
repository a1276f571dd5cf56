#include "core/LinearAlgebra.h"

#include <gtest/gtest.h>

namespace {

using core::Matrix3;
using core::Vector3;

TEST(SolveNormal, WorkedExampleAndItsInverse) {
    Matrix3 A{{{4, 2, 0}, {2, 3, 0}, {0, 0, 0}}};
    Vector3 b{2, 1, 0}, d{};
    int status = 7;
    core::SolveNormal(A, b, d, 2, status);
    EXPECT_EQ(status, 7) << "success leaves the caller's status alone";
    EXPECT_EQ(d, (Vector3{4, 2, 0}));
    EXPECT_EQ(A[0][1], 0.5);
    EXPECT_EQ(b, (Vector3{0.5, 0, 0}));
    EXPECT_EQ(A[0][0], 4) << "the diagonal keeps its input";
    core::InvertFactored(A, d, 2);
    EXPECT_EQ(A[0][0], 0.375);
    EXPECT_EQ(A[0][1], -0.25);
    EXPECT_EQ(A[1][1], 0.5);
    EXPECT_EQ(A[1][0], 2) << "the lower triangle is left as it was";
}

TEST(SolveNormal, OrderTwoLeavesRowAndColumnThreeAlone) {
    const double x = 12345.5;
    Matrix3 A{{{4, 2, x}, {2, 3, x}, {x, x, x}}};
    Vector3 b{2, 1, x}, d{0, 0, x};
    int status = 0;
    core::SolveNormal(A, b, d, 2, status);
    core::InvertFactored(A, d, 2);
    EXPECT_EQ(b[2], x);
    EXPECT_EQ(d[2], x);
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(A[2][k] == x && A[k][2] == x) << k;
}

TEST(SolveNormal, ThreeByThreeInverse) {
    const Matrix3 input{{{10, 3, -2}, {3, 8, 1}, {-2, 1, 5}}};
    Matrix3 A = input;
    Vector3 b{1, -2, 3}, d{};
    int status = 0;
    core::SolveNormal(A, b, d, 3, status);
    core::InvertFactored(A, d, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double product = 0; // the inverse is in the upper triangle
            for (int k = 0; k < 3; ++k)
                product += (i <= k ? A[i][k] : A[k][i]) * input[k][j];
            EXPECT_NEAR(product, i == j, 1e-12) << i << j;
        }
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

#include "core/ElectrodeModel.h"

#include <gtest/gtest.h>

namespace {

TEST(Ycalc, WorkedExample) {
    // 50 ml of 0.01 M acid, no electrolyte, titrated with 0.1 M alkali.
    const core::ElectrodeModel m{50, 50, 0.01, -0.1, 13.8, {400, 59.16, 1}, 1, 1};
    EXPECT_NEAR(core::Ycalc(m, 1), 275.438, 5e-4);  // TotalH 0.4 / 51
    EXPECT_NEAR(core::Ycalc(m, 6), -253.825, 5e-4); // TotalH -0.1 / 56
}

} // namespace

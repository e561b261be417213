// The float factor and the truncating products of the proportional layout.
#include "ui/Layout.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(LayoutRatio, IsTheDoubleQuotientRoundedToFloat) {
    // The float lies below 1.01 here, so an edge at 100 stays at 100.
    EXPECT_EQ(layout::Ratio(101, 100), 1.00999999046325684f);
    EXPECT_LT(static_cast<double>(layout::Ratio(101, 100)), 1.01);
    EXPECT_EQ(layout::ScaleEdge(100, layout::Ratio(101, 100)), 100);

    // ...and above 1.001 here, so an edge at 1000 moves to 1001.
    EXPECT_EQ(layout::Ratio(1001, 1000), 1.00100004673004150f);
    EXPECT_GT(static_cast<double>(layout::Ratio(1001, 1000)), 1.001);
    EXPECT_EQ(layout::ScaleEdge(1000, layout::Ratio(1001, 1000)), 1001);

    EXPECT_EQ(layout::Ratio(350, 300), 1.16666662693023682f);
    EXPECT_EQ(layout::ScaleEdge(300, layout::Ratio(350, 300)), 349);
    EXPECT_EQ(layout::Ratio(400, 400), 1.0f);
}

TEST(LayoutScaleEdge, TruncatesTowardZeroOnBothSides) {
    EXPECT_EQ(layout::ScaleEdge(3, 1.5f), 4);    // 4.5
    EXPECT_EQ(layout::ScaleEdge(-3, 1.5f), -4);  // -4.5, not -5
    EXPECT_EQ(layout::ScaleEdge(7, 0.5f), 3);
    EXPECT_EQ(layout::ScaleEdge(-7, 0.5f), -3);
    EXPECT_EQ(layout::ScaleEdge(0, 123.0f), 0);
}

TEST(LayoutScaleEdge, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(layout::ScaleEdge(INT_MAX, 4.0f), INT_MAX);
    EXPECT_EQ(layout::ScaleEdge(INT_MIN, 4.0f), INT_MIN);
    EXPECT_EQ(layout::ScaleEdge(2000000000, 1.5f), INT_MAX);
}

}  // namespace

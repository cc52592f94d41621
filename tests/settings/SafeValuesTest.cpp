// Values from qv.ini turned into drawable ones at the point of use.
#include "settings/SafeValues.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SafeValues, FontSizesAlphasAndStyles)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float stored, drawn;
    } sizes[] = {{10.4f, 10.4f}, {0, 7}, {-5, 7}, {nan, 7}, {inf, 7}, {-inf, 7}, {1e9f, 200}, {0.2f, 1}};
    for (const auto& c : sizes)
        EXPECT_FLOAT_EQ(DrawableFontSize(c.stored, 7), c.drawn) << c.stored;
    EXPECT_EQ(ClampAlpha(-7), 0);
    EXPECT_EQ(ClampAlpha(128), 128);
    EXPECT_EQ(ClampAlpha(1000), 255);
    EXPECT_EQ(DrawableFontStyle(8 | 1), 9);
    EXPECT_EQ(DrawableFontStyle(-1), 15);
}

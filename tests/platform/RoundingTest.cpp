#include "platform/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Rounding, FloorAndCeilAgreeWithTheMathsLibraryFromFractionsToWholeDoubles)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double cases[] = {0.0,
                            -0.0,
                            0.5,
                            -0.5,
                            1.0,
                            -1.0,
                            2.999999,
                            -2.5,
                            1e-300,
                            -1e-300,
                            1439.875,
                            -63.125,
                            4503599627370495.5,
                            -4503599627370495.5,
                            4503599627370496.0,
                            9.1e18,
                            -9.3e18,
                            1e300,
                            inf,
                            -inf};
    for (const double x : cases) {
        EXPECT_EQ(Rounding::floor(x), std::floor(x)) << x;
        EXPECT_EQ(Rounding::ceil(x), std::ceil(x)) << x;
    }
    EXPECT_TRUE(std::isnan(Rounding::floor(std::nan(""))));
    EXPECT_TRUE(std::isnan(Rounding::ceil(std::nan(""))));
    // Every eighth of a pixel across a wide screen, either side of zero.
    for (int eighths = -40000; eighths <= 40000; ++eighths) {
        const double x = eighths / 8.0 + 1e-9 * (eighths % 3);
        ASSERT_EQ(Rounding::floor(x), std::floor(x)) << x;
        ASSERT_EQ(Rounding::ceil(x), std::ceil(x)) << x;
    }
}

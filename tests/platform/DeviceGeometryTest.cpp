#include "platform/linux/DeviceGeometry.h"

#include <gtest/gtest.h>

// Two monitors side by side as the X server has them: 1440x900 at 1, 2560x1600 at 2.
TEST(DeviceGeometry, EachScreenScalesTowardsItsTopLeftAndAStrutTakesOnlyFromWhatItReaches)
{
    const QRect left(0, 0, 1440, 900), right(1440, 0, 2560, 1600);
    const DeviceScale scale({DeviceScreen{left, 1}, DeviceScreen{right, 2}});
    EXPECT_EQ(scale.toLogical(QRectF(1540, 200, 400, 300)), QRectF(1490, 100, 200, 150));
    EXPECT_EQ(scale.toDevice(QRectF(1490, 100, 200, 150)), QRectF(1540, 200, 400, 300));
    // Astride the edge a window goes with its centre; off every screen, with the nearest.
    EXPECT_EQ(scale.toLogical(QRectF(1300, 100, 200, 100)), QRectF(1300, 100, 200, 100));
    EXPECT_EQ(scale.toLogical(QRectF(1500, 1200, 100, 100)), QRectF(1470, 600, 50, 50));

    // left, right, top, bottom, then each band's start and end.
    const Strut top{0, 0, 30, 0, 0, 0, 0, 0, 0, 3999, 0, 0};
    const Strut bottomOfRight{0, 0, 0, 48, 0, 0, 0, 0, 0, 0, 1440, 3999};
    const Strut leftOfRight{1500, 0, 0, 0, 0, 799, 0, 0, 0, 0, 0, 0};
    const QSize root(4000, 1600);
    EXPECT_EQ(workArea(left, {top, bottomOfRight}, root), QRect(0, 30, 1440, 870));
    EXPECT_EQ(workArea(right, {top, bottomOfRight}, root), QRect(1440, 30, 2560, 1522));
    // Reaching across the whole small screen, a strut leaves it its frame.
    EXPECT_EQ(workArea(left, {leftOfRight}, root), left);
    EXPECT_EQ(workArea(right, {leftOfRight}, root), QRect(1500, 0, 2500, 1600));
}

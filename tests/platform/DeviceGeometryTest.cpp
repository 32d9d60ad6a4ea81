#include "platform/linux/DeviceGeometry.h"

#include <gtest/gtest.h>

// Two monitors side by side as the X server has them: 1440x900 at 1, 2560x1600 at 2.
namespace {
const DeviceScale kScale({DeviceScreen{QRect(0, 0, 1440, 900), 1},
                          DeviceScreen{QRect(1440, 0, 2560, 1600), 2}});
const QSize kRoot(4000, 1600);

Strut strut(int edge, quint32 reserved, quint32 start, quint32 end)
{
    Strut s{};
    s[edge] = reserved;
    s[4 + 2 * edge] = start;
    s[5 + 2 * edge] = end;
    return s;
}
} // namespace

TEST(DeviceGeometry, EachScreenShrinksTowardsItsOwnTopLeftAndBack)
{
    // On the scaled screen a point keeps its offset from the screen's corner, halved.
    EXPECT_EQ(kScale.toLogical(QRectF(1540, 200, 400, 300)), QRectF(1490, 100, 200, 150));
    EXPECT_EQ(kScale.toDevice(QRectF(1490, 100, 200, 150)), QRectF(1540, 200, 400, 300));
    // The first screen is not scaled; a window astride the edge goes with its centre.
    EXPECT_EQ(kScale.toLogical(QRectF(1300, 100, 200, 100)), QRectF(1300, 100, 200, 100));
    EXPECT_EQ(kScale.toLogical(QRectF(1400, 100, 400, 100)), QRectF(1420, 50, 200, 50));
    // Below the short screen, nearest is the scaled one; no screen at all leaves it alone.
    EXPECT_EQ(kScale.toLogical(QRectF(1500, 1200, 100, 100)), QRectF(1470, 600, 50, 50));
    EXPECT_EQ(DeviceScale().toDevice(QRectF(5, 6, 7, 8)), QRectF(5, 6, 7, 8));
    EXPECT_EQ((DeviceScreen{QRect(1440, 0, 2560, 1600), 2}.logical()), QRectF(1440, 0, 1280, 800));
}

TEST(DeviceGeometry, AStrutTakesOnlyFromTheMonitorsItReaches)
{
    const QRect left(0, 0, 1440, 900), right(1440, 0, 2560, 1600);
    // A bottom panel along the big screen only: 1600 - 48 from the root's bottom.
    const QList<Strut> bottom{strut(3, 48, 1440, 3999)};
    EXPECT_EQ(workArea(right, bottom, kRoot), QRect(1440, 0, 2560, 1552));
    EXPECT_EQ(workArea(left, bottom, kRoot), left);
    // A top bar across both, a left dock on the small one, a right one on the big one.
    const QList<Strut> many{strut(2, 30, 0, 3999), strut(0, 64, 0, 899), strut(1, 100, 0, 1599)};
    EXPECT_EQ(workArea(left, many, kRoot), QRect(64, 30, 1376, 870));
    EXPECT_EQ(workArea(right, many, kRoot), QRect(1440, 30, 2460, 1570));
    // A left strut on the right screen reaches across the whole small one: it keeps its frame.
    EXPECT_EQ(workArea(left, {strut(0, 1500, 0, 799)}, kRoot), left);
    EXPECT_EQ(workArea(right, {strut(0, 1500, 0, 799)}, kRoot), QRect(1500, 0, 2500, 1600));
}

#include "ui/CoreShapes.h"

#include <QList>
#include <QPointF>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

TEST(CoreShapes, EachOutlineHasItsCornersInOrder)
{
    const QRectF r(10, 20, 100, 40);
    const double shift = std::tan(std::numbers::pi / 6) * 40;
    struct Case
    {
        const char *name;
        QPainterPath path;
        QList<QPointF> corners;
    };
    const Case cases[] = {
        {"unskewed", CoreSkewedRect(r, 0), {{10, 20}, {110, 20}, {110, 60}, {10, 60}}},
        {"skew -30 moves the top right",
         CoreSkewedRect(r),
         {{10 + shift, 20}, {110 + shift, 20}, {110, 60}, {10, 60}}},
        {"skew 30 moves the bottom left",
         CoreSkewedRect(r, 30),
         {{10, 20}, {110, 20}, {110 - shift, 60}, {10 - shift, 60}}},
        {"cut 10",
         CoreCutPanel(r, 10),
         {{10, 20}, {100, 20}, {110, 30}, {110, 60}, {13.5, 60}, {10, 56.5}}},
        {"cut default 18",
         CoreCutPanel(r),
         {{10, 20}, {92, 20}, {110, 38}, {110, 60}, {16.3, 60}, {10, 53.7}}},
        {"chevron notched at 35 %", CoreChevron(r), {{10, 20}, {110, 40}, {10, 60}, {45, 40}}},
        {"triangle", Triangle(r), {{10, 20}, {110, 40}, {10, 60}}},
        // Thin top 25 % (10 of 40); the step at x = 60 runs half its drop of 30.
        {"step bar",
         CoreStepBarShape(r, 0.5, 0.25),
         {{10, 20}, {110, 20}, {106.5, 30}, {75, 30}, {60, 60}, {10, 60}}},
        {"step bar at full thickness",
         CoreStepBarShape(r, 0.5, 1),
         {{10, 20}, {110, 20}, {96, 60}, {60, 60}, {60, 60}, {10, 60}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // The polygon closes on its first corner.
        ASSERT_EQ(c.path.elementCount(), c.corners.size() + 1);
        EXPECT_EQ(QPointF(c.path.elementAt(0)), QPointF(c.path.elementAt(c.corners.size())));
        for (qsizetype i = 0; i < c.corners.size(); ++i) {
            EXPECT_NEAR(c.path.elementAt(i).x, c.corners[i].x(), 1e-9) << "corner " << i;
            EXPECT_NEAR(c.path.elementAt(i).y, c.corners[i].y(), 1e-9) << "corner " << i;
        }
    }
    const QPainterPath step = CoreStepBarShape(r, 0.5, 0.25);
    EXPECT_TRUE(step.contains(QPointF(30, 55)));
    EXPECT_TRUE(step.contains(QPointF(90, 25)));
    EXPECT_FALSE(step.contains(QPointF(90, 55))) << "below the thin part";
}

#include "ui/CoreShapes.h"

#include <QList>
#include <QPointF>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// The polygon's corners in order, without the closing point that repeats the first.
QList<QPointF> vertices(const QPainterPath &path)
{
    QList<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i)
        points.append(path.elementAt(i));
    if (points.size() > 1 && points.first() == points.last())
        points.removeLast();
    return points;
}

void expectVertices(const QPainterPath &path, const QList<QPointF> &expected)
{
    const QList<QPointF> actual = vertices(path);
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i].x(), expected[i].x(), 1e-9) << "vertex " << i;
        EXPECT_NEAR(actual[i].y(), expected[i].y(), 1e-9) << "vertex " << i;
    }
}

const QRectF kRect(10, 20, 100, 40);
const double kTan30 = std::tan(std::numbers::pi / 6);

} // namespace

TEST(CoreSkewedRect, ZeroIsThePlainRectangleTheDefaultShiftsTheTopRightPositiveTheBottomLeft)
{
    const double shift = kTan30 * 40;
    expectVertices(CoreSkewedRect(kRect, 0), {{10, 20}, {110, 20}, {110, 60}, {10, 60}});
    expectVertices(CoreSkewedRect(kRect),
                   {{10 + shift, 20}, {110 + shift, 20}, {110, 60}, {10, 60}});
    expectVertices(CoreSkewedRect(kRect, 30),
                   {{10, 20}, {110, 20}, {110 - shift, 60}, {10 - shift, 60}});
}

TEST(CoreCutPanel, CutsTopRightAndBottomLeftCorners)
{
    expectVertices(CoreCutPanel(kRect, 10),
                   {{10, 20}, {100, 20}, {110, 30}, {110, 60}, {13.5, 60}, {10, 56.5}});
    expectVertices(
        CoreCutPanel(kRect),
        {{10, 20}, {92, 20}, {110, 38}, {110, 60}, {10 + 0.35 * 18, 60}, {10, 60 - 0.35 * 18}});
}

TEST(CoreChevronAndTriangle, NotchAt35PercentOfTheWidthAndTheTrianglePointsRight)
{
    expectVertices(CoreChevron(kRect), {{10, 20}, {110, 40}, {10, 60}, {45, 40}});
    expectVertices(Triangle(kRect), {{10, 20}, {110, 40}, {10, 60}});
}

TEST(CoreStepBarShape, StepsDownToATopAlignedThinPartUnlessAtFullThickness)
{
    // Thin part: the top 25 % (10 of 40). Step at x = 10 + 50 = 60, its run half the drop of 30.
    const QPainterPath path = CoreStepBarShape(kRect, 0.5, 0.25);
    expectVertices(path,
                   {{10, 20}, {110, 20}, {110 - 0.35 * 10, 30}, {60 + 15, 30}, {60, 60}, {10, 60}});
    EXPECT_TRUE(path.contains(QPointF(30, 55))); // full height left of the step
    EXPECT_TRUE(path.contains(QPointF(90, 25))); // thin part, top
    EXPECT_FALSE(path.contains(QPointF(90, 55))); // below the thin part
    // At full thickness the bottom edge runs straight from the slanted end back to the left.
    expectVertices(CoreStepBarShape(kRect, 0.5, 1),
                   {{10, 20}, {110, 20}, {110 - 0.35 * 40, 60}, {60, 60}, {60, 60}, {10, 60}});
}

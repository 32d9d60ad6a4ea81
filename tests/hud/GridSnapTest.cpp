#include "hud/GridSnap.h"
#include "hud/EditorView.h"

#include <gtest/gtest.h>

using enum HUDWidgetID;

namespace {

// A 1440 × 900 display less a 25-point top bar, in model coordinates (y up).
const QRectF kBounds(0, 0, 1440, 875);

} // namespace

TEST(GridSnap, MarginLineCatchesWithinTenPointsOnly)
{
    const auto near = GridSnap::snapAxis({}, {}, 31, 300, 0, 1440);
    EXPECT_DOUBLE_EQ(near.value, 24);
    EXPECT_EQ(near.guide, 24.0);
    const auto edge = GridSnap::snapAxis({}, {}, 34, 300, 0, 1440);
    EXPECT_DOUBLE_EQ(edge.value, 24); // exactly 10 away still snaps
    const auto beyond = GridSnap::snapAxis({}, {}, 34.5, 300, 0, 1440);
    EXPECT_DOUBLE_EQ(beyond.value, 32); // onto the grid instead
    EXPECT_FALSE(beyond.guide);

    // The far margin puts the span's end on the line 24 points inside the high edge.
    const auto far = GridSnap::snapAxis({}, {}, 1110, 300, 0, 1440);
    EXPECT_DOUBLE_EQ(far.value, 1116);
    EXPECT_EQ(far.guide, 1416.0);
    // The centre line.
    const auto centred = GridSnap::snapAxis({}, {}, 575, 300, 0, 1440);
    EXPECT_DOUBLE_EQ(centred.value, 570);
    EXPECT_EQ(centred.guide, 720.0);
}

TEST(GridSnap, WidgetDraggedNearTheLeftMarginSnapsTwentyFourInAndShowsTheGuide)
{
    // The visible frame starts right of a 70-point dock.
    const QRectF bounds(70, 0, 1370, 875);
    const auto r = GridSnap::snap({}, {101, 403}, {475, 95}, bounds);
    EXPECT_DOUBLE_EQ(r.origin.x(), 94);
    EXPECT_EQ(r.guideX, 94.0);
}

TEST(GridSnap, PlacesBesideAnotherWidgetWithTheGap)
{
    // Nine points right of the other's right edge (e = 400): lands at e + 8.
    const QList<QRectF> others{{100, 500, 300, 100}};
    const auto r = GridSnap::snap(others, {409, 203}, {200, 60}, kBounds);
    EXPECT_DOUBLE_EQ(r.origin.x(), 408);
    EXPECT_EQ(r.guideX, 408.0);
    // Before it: its start less the gap less the length.
    const auto before = GridSnap::snap(others, {-105, 203}, {200, 60}, kBounds);
    EXPECT_DOUBLE_EQ(before.origin.x(), -108);
    EXPECT_EQ(before.guideX, 92.0);
}

TEST(GridSnap, VerticalAxisUsesLowAndHighEdgesWithYUp)
{
    // The other widget spans y 300…400; just above its top edge means above it with the gap.
    const QList<QRectF> others{{600, 300, 200, 100}};
    const auto above = GridSnap::snap(others, {900, 405}, {100, 50}, kBounds);
    EXPECT_DOUBLE_EQ(above.origin.y(), 408);
    EXPECT_EQ(above.guideY, 408.0);
    // Just below its bottom edge: the top of the dragged span sits 8 under it.
    const auto below = GridSnap::snap(others, {900, 240}, {100, 50}, kBounds);
    EXPECT_DOUBLE_EQ(below.origin.y(), 242);
    EXPECT_EQ(below.guideY, 292.0);
    // The top margin line is 24 below the visible frame's top.
    const auto top = GridSnap::snap({}, {900, 795}, {100, 50}, kBounds);
    EXPECT_DOUBLE_EQ(top.origin.y(), 801);
    EXPECT_EQ(top.guideY, 851.0);
}

TEST(GridSnap, NearestCandidateWinsAndTheEarlierOneOnATie)
{
    // The margin line (24) and another widget's start (36) are both 6 away: the margin comes
    // first and wins.
    const QList<double> starts{36}, ends{136};
    const auto tie = GridSnap::snapAxis(starts, ends, 30, 50, 0, 1440);
    EXPECT_DOUBLE_EQ(tie.value, 24);
    EXPECT_EQ(tie.guide, 24.0);
    // Nearer to the widget's start than to the margin: the nearer one, not the first in reach.
    const auto nearer = GridSnap::snapAxis(starts, ends, 33, 50, 0, 1440);
    EXPECT_DOUBLE_EQ(nearer.value, 36);
    EXPECT_EQ(nearer.guide, 36.0);
    // Ends aligned: the dragged span ends where the other ends.
    const auto endAligned = GridSnap::snapAxis(starts, ends, 84, 50, 0, 1440);
    EXPECT_DOUBLE_EQ(endAligned.value, 86);
    EXPECT_EQ(endAligned.guide, 136.0);
}

TEST(GridSnap, FarFromEveryCandidateFallsOnTheGridFromTheVisibleFrameCorner)
{
    // The visible frame starts at y = 50 (a bottom panel); the grid counts from there.
    const QRectF bounds(0, 50, 1440, 850);
    const auto r = GridSnap::snap({}, {203, 203}, {100, 60}, bounds);
    EXPECT_DOUBLE_EQ(r.origin.x(), 200);
    EXPECT_DOUBLE_EQ(r.origin.y(), 202); // 50 + 8 × 19
    EXPECT_FALSE(r.guideX);
    EXPECT_FALSE(r.guideY);
    // Halves go away from zero, on both sides of the corner.
    EXPECT_DOUBLE_EQ(GridSnap::snapAxis({}, {}, 204, 100, 0, 1440).value, 208);
    EXPECT_DOUBLE_EQ(GridSnap::snapAxis({}, {}, -204, 100, 0, 1440).value, -208);
}

TEST(GridSnap, OneAxisMaySnapWhileTheOtherFallsBack)
{
    const auto r = GridSnap::snap({}, {28, 500}, {200, 60}, kBounds);
    EXPECT_EQ(r.origin, QPointF(24, 504));
    EXPECT_EQ(r.guideX, 24.0);
    EXPECT_FALSE(r.guideY);
}

TEST(EditorPick, PressOnOverlappingWidgetsPicksTheSmallest)
{
    const QList<EditableWidget> widgets{
        {menuRail, QStringLiteral("Menu"), {}, {900, 100, 504, 472}},
        {summaryPanel, QStringLiteral("Summary"), {}, {1000, 200, 256, 200}},
        {skillSlots, QStringLiteral("Quick Bar"), {}, {1100, 250, 256, 200}},
        {playerStatus, QStringLiteral("HP Bar"), {}, {24, 700, 475, 95}},
    };
    EXPECT_EQ(EditorView::widgetAt(widgets, {1150, 300})->id, summaryPanel); // equal: first
    EXPECT_EQ(EditorView::widgetAt(widgets, {1300, 300})->id, skillSlots);
    EXPECT_EQ(EditorView::widgetAt(widgets, {950, 300})->id, menuRail);
    EXPECT_EQ(EditorView::widgetAt(widgets, {24, 795})->id, playerStatus); // on the corner
    EXPECT_FALSE(EditorView::widgetAt(widgets, {600, 600}));
}

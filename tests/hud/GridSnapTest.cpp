#include "hud/GridSnap.h"
#include "ui/hud/EditorView.h"

#include <gtest/gtest.h>

using enum HUDWidgetID;

namespace {

// A 1440 × 900 display less a 25-point top bar, in model coordinates (y up).
const QRectF kBounds(0, 0, 1440, 875);

} // namespace

TEST(GridSnap, AxisTakesTheNearestLineWithinTenPointsTheEarlierOnATieElseTheGrid)
{
    const QList<double> starts{36}, ends{136};
    struct Row
    {
        QList<double> starts, ends;
        double start, length, value;
        std::optional<double> guide;
    };
    const Row rows[] = {
        {{}, {}, 31, 300, 24, 24}, // the margin line
        {{}, {}, 34, 300, 24, 24}, // exactly 10 away still snaps
        {{}, {}, 34.5, 300, 32, {}}, // onto the grid instead
        {{}, {}, 1110, 300, 1116, 1416}, // the span's end on the far margin, 24 inside
        {{}, {}, 575, 300, 570, 720}, // the centre line
        {starts, ends, 30, 50, 24, 24}, // margin (24) and a start (36) both 6 away: margin first
        {starts, ends, 33, 50, 36, 36}, // the nearer one, not the first in reach
        {starts, ends, 84, 50, 86, 136}, // ends aligned
        {{}, {}, 204, 100, 208, {}}, // grid halves go away from zero, both sides
        {{}, {}, -204, 100, -208, {}},
    };
    for (const Row &r : rows) {
        const auto got = GridSnap::snapAxis(r.starts, r.ends, r.start, r.length, 0, 1440);
        EXPECT_DOUBLE_EQ(got.value, r.value) << r.start;
        EXPECT_EQ(got.guide, r.guide) << r.start;
    }
}

TEST(GridSnap, MarginFromTheVisibleFrameAndTheGapBesideAnotherWidget)
{
    // The visible frame starts right of a 70-point dock: the margin line is at 94.
    const auto docked = GridSnap::snap({}, {101, 403}, {475, 95}, QRectF(70, 0, 1370, 875));
    EXPECT_DOUBLE_EQ(docked.origin.x(), 94);
    EXPECT_EQ(docked.guideX, 94.0);
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

TEST(GridSnap, FarFromEveryCandidateFallsOnTheGridFromTheVisibleFrameCorner)
{
    // The visible frame starts at y = 50 (a bottom panel); the grid counts from there.
    const QRectF bounds(0, 50, 1440, 850);
    const auto r = GridSnap::snap({}, {203, 203}, {100, 60}, bounds);
    EXPECT_DOUBLE_EQ(r.origin.x(), 200);
    EXPECT_DOUBLE_EQ(r.origin.y(), 202); // 50 + 8 × 19
    EXPECT_FALSE(r.guideX);
    EXPECT_FALSE(r.guideY);
    // One axis may snap while the other falls back.
    const auto one = GridSnap::snap({}, {28, 500}, {200, 60}, kBounds);
    EXPECT_EQ(one.origin, QPointF(24, 504));
    EXPECT_EQ(one.guideX, 24.0);
    EXPECT_FALSE(one.guideY);
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

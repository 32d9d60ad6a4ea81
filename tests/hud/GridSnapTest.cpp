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

TEST(GridSnap, EachAxisSnapsToTheOthersEdgesAndTheGapWithinTheVisibleFrameYUp)
{
    const QList<QRectF> beside{{100, 500, 300, 100}}, under{{600, 300, 200, 100}};
    const struct
    {
        QList<QRectF> others;
        QPointF origin;
        QSizeF size;
        QRectF bounds;
        QPointF expected;
        std::optional<double> guideX, guideY;
    } cases[] = {
        // The margin line of a visible frame right of a 70-point dock is at 94.
        {{}, {101, 403}, {475, 95}, {70, 0, 1370, 875}, {94, 400}, 94, {}},
        {beside, {409, 203}, {200, 60}, kBounds, {408, 200}, 408, {}}, // the gap after its end
        {beside, {-105, 203}, {200, 60}, kBounds, {-108, 200}, 92, {}}, // the gap before it
        {under, {900, 405}, {100, 50}, kBounds, {904, 408}, {}, 408}, // above its top edge
        {under, {900, 240}, {100, 50}, kBounds, {904, 242}, {}, 292}, // below its bottom edge
        {{}, {900, 795}, {100, 50}, kBounds, {904, 801}, {}, 851}, // the top margin line
        // Far from every line: on the grid counted from the visible frame's corner (y = 50).
        {{}, {203, 203}, {100, 60}, {0, 50, 1440, 850}, {200, 202}, {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.origin.x() << ", " << c.origin.y());
        const auto r = GridSnap::snap(c.others, c.origin, c.size, c.bounds);
        EXPECT_EQ(r.origin, c.expected);
        EXPECT_EQ(r.guideX, c.guideX);
        EXPECT_EQ(r.guideY, c.guideY);
    }
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

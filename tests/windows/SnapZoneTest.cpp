#include "windows/SnapZone.h"

#include <gtest/gtest.h>

namespace {

ScreenInfo screen(QRectF frame, double topBar = 0)
{
    return {"s", frame, frame.adjusted(0, 0, 0, -topBar)};
}

void expectNear(const QRectF &actual, const QRectF &expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
}

} // namespace

TEST(SnapZone, CasesKeepTheGridOrderTheirNamesAndRectangles)
{
    const QList<SnapZone> zones = SnapZones::all();
    ASSERT_EQ(zones.size(), 10);
    EXPECT_EQ(zones.first(), SnapZone::leftHalf);
    EXPECT_EQ(zones.last(), SnapZone::nextDisplay);
    for (SnapZone zone : zones) {
        EXPECT_EQ(SnapZones::fromRawValue(SnapZones::rawValue(zone)), zone);
        // Only the next display has no rectangle.
        EXPECT_EQ(SnapZones::fractions(zone).has_value(), zone != SnapZone::nextDisplay);
    }
    EXPECT_EQ(SnapZones::rawValue(SnapZone::middleThird), "middleThird");
    EXPECT_EQ(SnapZones::title(SnapZone::full), "Fill the screen");
    EXPECT_EQ(SnapZones::title(SnapZone::nextDisplay), "Next display");
    EXPECT_FALSE(SnapZones::fromRawValue("LeftHalf"));
    // The thirds meet without gaps.
    const QRectF left = *SnapZones::fractions(SnapZone::leftThird);
    const QRectF middle = *SnapZones::fractions(SnapZone::middleThird);
    EXPECT_EQ(left.x() + left.width(), middle.x());
    EXPECT_EQ(SnapZones::fractions(SnapZone::rightThird)->x(), 2.0 / 3.0);
    EXPECT_EQ(middle.width(), 1.0 / 3.0);
}

TEST(SnapZone, FramesAreMeasuredFromTheVisibleFrame)
{
    // On a second display, so the origin of the visible frame matters too.
    expectNear(*SnapZones::newFrame(SnapZone::center, {}, {screen({1440, 100, 1440, 900})}, 0),
               {1440 + 216, 100 + 90, 1008, 720});
    // y up: the top half sits against the visible frame's top edge, below a 25-point bar.
    const ScreenInfo s = screen({0, 0, 1440, 900}, 25);
    expectNear(*SnapZones::newFrame(SnapZone::topHalf, {}, {s}, 0), {0, 437.5, 1440, 437.5});
    expectNear(*SnapZones::newFrame(SnapZone::bottomHalf, {}, {s}, 0), {0, 0, 1440, 437.5});
    expectNear(*SnapZones::newFrame(SnapZone::rightHalf, {}, {s}, 0), {720, 0, 720, 875});
}

TEST(SnapZone, NextDisplayCyclesThroughThreeScreensKeepingFractions)
{
    const QList<ScreenInfo> screens
        = {screen({0, 0, 1440, 900}, 25), screen({1440, -180, 1920, 1080}),
           screen({-1280, 0, 1280, 1024}, 30)};
    // A quarter-size window 10 % in from the left and 20 % down from the top of the first.
    const QRectF start = SnapZones::place({0.1, 0.2, 0.5, 0.25}, screens[0].visibleFrame);
    QRectF frame = start;
    for (qsizetype from = 0; from < 3; ++from) {
        const qsizetype to = (from + 1) % 3;
        frame = *SnapZones::newFrame(SnapZone::nextDisplay, frame, screens, from);
        expectNear(SnapZones::relativeFractions(frame, screens[to].visibleFrame),
                   {0.1, 0.2, 0.5, 0.25});
        EXPECT_EQ(SnapZones::screenIndexFor(frame, screens), to);
    }
    expectNear(frame, start);
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::nextDisplay, {10, 10, 100, 100}, {screens[0]}, 0));
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::full, {10, 10, 100, 100}, {}, 0));
}

TEST(SnapZone, ScreenForPicksTheLargerShareTheEarlierOnATieElseTheFirst)
{
    const QList<ScreenInfo> screens = {screen({0, 0, 1000, 800}), screen({1000, 0, 1000, 800})};
    const QList<ScreenInfo> swapped = {screens[1], screens[0]};
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, screens), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({901, 100, 200, 200}, screens), 1);
    EXPECT_EQ(SnapZones::screenIndexFor({899, 100, 200, 200}, screens), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, swapped), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({5000, 5000, 10, 10}, screens), 0);
    EXPECT_FALSE(SnapZones::screenIndexFor({0, 0, 10, 10}, {}));
}

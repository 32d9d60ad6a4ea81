#include "windows/SnapZone.h"

#include <gtest/gtest.h>

namespace {

ScreenInfo screen(QRectF frame, double topBar = 0)
{
    return {"s", frame, frame.adjusted(0, 0, 0, -topBar)};
}

} // namespace

TEST(SnapZone, RawValuesRoundTripAndTheThirdsMeetWithoutGaps)
{
    for (SnapZone zone : SnapZones::all()) {
        EXPECT_EQ(SnapZones::fromRawValue(SnapZones::rawValue(zone)), zone);
        // Only the next display has no rectangle.
        EXPECT_EQ(SnapZones::fractions(zone).has_value(), zone != SnapZone::nextDisplay);
    }
    EXPECT_FALSE(SnapZones::fromRawValue("LeftHalf"));
    const QRectF left = *SnapZones::fractions(SnapZone::leftThird);
    const QRectF middle = *SnapZones::fractions(SnapZone::middleThird);
    EXPECT_EQ(left.x() + left.width(), middle.x());
    EXPECT_EQ(middle.x() + middle.width(), SnapZones::fractions(SnapZone::rightThird)->x());
}

TEST(SnapZone, FramesAreMeasuredFromTheVisibleFrame)
{
    // On a second display, so the origin of the visible frame matters too.
    EXPECT_EQ(*SnapZones::newFrame(SnapZone::center, {}, {screen({1440, 100, 1440, 900})}, 0),
              QRectF(1440 + 216, 100 + 90, 1008, 720));
    // y up: the top half sits against the visible frame's top edge, below a 25-point bar.
    const ScreenInfo s = screen({0, 0, 1440, 900}, 25);
    EXPECT_EQ(*SnapZones::newFrame(SnapZone::topHalf, {}, {s}, 0), QRectF(0, 437.5, 1440, 437.5));
    EXPECT_EQ(*SnapZones::newFrame(SnapZone::bottomHalf, {}, {s}, 0), QRectF(0, 0, 1440, 437.5));
    EXPECT_EQ(*SnapZones::newFrame(SnapZone::rightHalf, {}, {s}, 0), QRectF(720, 0, 720, 875));
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
        EXPECT_EQ(SnapZones::relativeFractions(frame, screens[to].visibleFrame),
                  QRectF(0.1, 0.2, 0.5, 0.25));
        EXPECT_EQ(SnapZones::screenIndexFor(frame, screens), to);
    }
    EXPECT_EQ(frame, start);
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::nextDisplay, {10, 10, 100, 100}, {screens[0]}, 0));
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::full, {10, 10, 100, 100}, {}, 0));
}

TEST(SnapZone, ScreenForPicksTheLargerShareTheEarlierOnATieElseTheFirst)
{
    const QList<ScreenInfo> screens = {screen({0, 0, 1000, 800}), screen({1000, 0, 1000, 800})};
    const QList<ScreenInfo> swapped = {screens[1], screens[0]};
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, screens), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({901, 100, 200, 200}, screens), 1);
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, swapped), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({5000, 5000, 10, 10}, screens), 0);
    EXPECT_FALSE(SnapZones::screenIndexFor({0, 0, 10, 10}, {}));
}

#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"

#include "fakes/FakeScreens.h"
#include "fakes/FakeUserDefaults.h"

#include <gtest/gtest.h>

#include <QVariantMap>

using enum HUDWidgetID;

namespace {

// A display whose visible frame is `vf` (model coordinates).
ScreenInfo screenWith(QRectF vf)
{
    return {QStringLiteral("s"), vf, vf};
}

const ScreenInfo kLaptop = screenWith({0, 0, 1440, 875});
const ScreenInfo kWide = screenWith({0, 0, 2560, 1415});

bool onGrid(double v, double edge)
{
    const double steps = (v - edge) / HUDLayout::gridPitch;
    return std::abs(steps - std::round(steps)) < 1e-9;
}

} // namespace

TEST(HUDLayoutScale, FollowsVisibleWidthWithinBounds)
{
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, kLaptop), 0.72);
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, screenWith({0, 0, 1000, 800})), 0.72);
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, screenWith({0, 0, 1700, 800})), 0.85);
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, screenWith({0, 0, 1900, 800})), 0.95);
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, kWide), 0.95);
    // Menu panels never scale.
    EXPECT_DOUBLE_EQ(HUDLayout::scale(menuRail, kWide), 1.0);
    EXPECT_DOUBLE_EQ(HUDLayout::scale(confirmLogout, kLaptop), 1.0);
    // Sizes round halves away from zero: 350 × 0.77 = 269.5 → 270; 192 × 0.77 = 147.84 → 148.
    EXPECT_EQ(HUDLayout::scaledSize(HUDLayout::spec(partyStrip), screenWith({0, 0, 1540, 900})),
              QSizeF(270, 148));
}

TEST(HUDLayoutFrame, PlayerStatusSizeAndMarginOnLaptopAndWideScreens)
{
    const WidgetSpec &s = HUDLayout::spec(playerStatus);
    const QRectF laptop = HUDLayout::frame(s, kLaptop);
    EXPECT_EQ(laptop.size(), QSizeF(360, 72));
    // Margin 17.28 from the left and top edges, then snapped to the grid from the edges.
    EXPECT_DOUBLE_EQ(laptop.x(), 16); // 17.28 → 16
    EXPECT_DOUBLE_EQ(laptop.y(), 784); // 875 − 72 − 17.28 = 785.72 → 784
    const QRectF wide = HUDLayout::frame(s, kWide);
    EXPECT_EQ(wide.size(), QSizeF(475, 95)); // 0.95 × 500, 0.95 × 100
    EXPECT_DOUBLE_EQ(wide.x(), 24); // 22.8 → 24
    EXPECT_DOUBLE_EQ(wide.y(), 1296); // 1415 − 95 − 22.8 = 1297.2 → 1296
}

TEST(HUDLayoutFrame, PartyStripSitsBelowPlayerStatusByScaledOffset)
{
    for (const ScreenInfo &screen : {kLaptop, kWide, screenWith({0, 0, 1800, 1100})}) {
        const double s = HUDLayout::scale(partyStrip, screen);
        const QRectF party = HUDLayout::frame(HUDLayout::spec(partyStrip), screen);
        const QSizeF size = HUDLayout::scaledSize(HUDLayout::spec(partyStrip), screen);
        const QRectF vf = screen.visibleFrame;
        // Unsnapped: anchored like playerStatus, 88 × s lower.
        const double rawY = vf.bottom() - size.height() - 24 * s - 88 * s;
        EXPECT_LE(std::abs(party.y() - rawY), HUDLayout::gridPitch / 2) << s;
        EXPECT_DOUBLE_EQ(party.x(), HUDLayout::frame(HUDLayout::spec(playerStatus), screen).x());
    }
}

TEST(HUDLayoutFrame, EveryAnchorSnapsToGridFromVisibleEdges)
{
    // A visible frame whose edges are off the global grid: snapping counts from the edges.
    const ScreenInfo s = screenWith({1443, 37, 1701, 1003});
    for (const WidgetSpec &spec : HUDLayout::specs()) {
        const QRectF f = HUDLayout::frame(spec, s);
        if (HUDLayout::menuGroup().contains(spec.id) && spec.id != menuRail
            && spec.id != skillSlots)
            continue; // placed relative to the rail, not snapped themselves
        EXPECT_TRUE(onGrid(f.x(), 1443)) << HUDWidget::rawValue(spec.id).toStdString();
        EXPECT_TRUE(onGrid(f.y(), 37)) << HUDWidget::rawValue(spec.id).toStdString();
    }
    const QRectF header = HUDLayout::frame(HUDLayout::spec(fieldHeader), s);
    EXPECT_DOUBLE_EQ(header.x(), 1443 + 24); // 0.8505 × 24 = 20.4 → 24
}

TEST(HUDLayoutMenuCluster, KeepsSizesAndSpacingOnAnyScreenAndCentresOnTheLaptop)
{
    // midY 437.5 + (8 + 472 + 144) / 2 = 749.5 → snapped 752; rail from 280 to 752.
    EXPECT_EQ(HUDLayout::frame(HUDLayout::spec(menuRail), kLaptop), QRectF(936, 280, 504, 472));
    for (const ScreenInfo &screen : {kLaptop, kWide, screenWith({-1280, 100, 1280, 800})}) {
        const QRectF rail = HUDLayout::frame(HUDLayout::spec(menuRail), screen);
        const QRectF summary = HUDLayout::frame(HUDLayout::spec(summaryPanel), screen);
        const QRectF quickBar = HUDLayout::frame(HUDLayout::spec(skillSlots), screen);
        const QRectF vf = screen.visibleFrame;
        EXPECT_EQ(rail.size(), QSizeF(504, 472));
        EXPECT_EQ(summary.size(), QSizeF(256, 424));
        EXPECT_DOUBLE_EQ(rail.left() - summary.right(), 8);
        EXPECT_DOUBLE_EQ(rail.bottom() - summary.bottom(), 24);
        EXPECT_DOUBLE_EQ(rail.top() - quickBar.bottom(), 8);
        EXPECT_LE(std::abs(vf.right() - 24 - quickBar.right()), 4);
        EXPECT_LE(std::abs(vf.right() - rail.right()), 4);
        for (HUDWidgetID sub : {inventory, skills, equipment, questLog}) {
            const QRectF f = HUDLayout::frame(HUDLayout::spec(sub), screen);
            EXPECT_DOUBLE_EQ(summary.left() - f.right(), 8);
            EXPECT_DOUBLE_EQ(f.bottom(), summary.bottom()); // tops aligned
        }
    }
}

TEST(HUDLayoutOrigin, OffsetsMoveSubPanelsFollowTheSummaryAndAllClampIntoTheFrame)
{
    FakeUserDefaults defaults;
    HUDLayoutStore store(defaults);
    const WidgetSpec &hp = HUDLayout::spec(playerStatus);
    const WidgetSpec &inv = HUDLayout::spec(inventory);
    const QPointF home = HUDLayout::frame(hp, kLaptop).topLeft();
    const QPointF base = HUDLayout::origin(inv, kLaptop, store);
    EXPECT_EQ(HUDLayout::origin(hp, kLaptop, store), home);
    store.setOffset(playerStatus, 100, -200);
    EXPECT_EQ(HUDLayout::origin(hp, kLaptop, store), home + QPointF(100, -200));
    store.setOffset(inventory, -300, 0);
    EXPECT_EQ(HUDLayout::origin(inv, kLaptop, store), base);
    store.setOffset(summaryPanel, -40, 16);
    EXPECT_EQ(HUDLayout::origin(inv, kLaptop, store), base + QPointF(-40, 16));
    store.setOffset(playerStatus, -5000, 5000);
    EXPECT_EQ(HUDLayout::origin(hp, kLaptop, store), QPointF(0, 875 - 72));
}

TEST(HUDLayoutClamp, LeavesOversizedAxisAlone)
{
    const QRectF vf(0, 0, 300, 1000);
    // Too wide: x stays; fits vertically: y clamped.
    EXPECT_EQ(HUDLayout::clamp({-50, 990}, {400, 100}, vf), QPointF(-50, 900));
    EXPECT_EQ(HUDLayout::clamp({10, -5}, {100, 100}, vf), QPointF(10, 0));
    // Exactly as wide as the frame: pinned to its left edge.
    EXPECT_EQ(HUDLayout::clamp({40, 0}, {300, 100}, vf), QPointF(0, 0));
}

TEST(HUDLayoutScreenUnderPointer, PicksContainingThenNearestThenFirst)
{
    const ScreenInfo left = screenWith({0, 0, 1440, 900});
    const ScreenInfo right = screenWith({1540, 0, 1440, 900});
    const QList<ScreenInfo> both{left, right};
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1600, 10}, left), right);
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {20, 10}, right), left);
    // In the gap, nearer to the right screen.
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1500, 400}, left), right);
    // Exactly half-way: the first in the list wins.
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1490, 400}, left), left);
    EXPECT_EQ(HUDLayout::screenUnderPointer(QList<ScreenInfo>{right, left}, {1490, 400}, left),
              right);
    // One screen hosts everything, however far the pointer is.
    EXPECT_EQ(HUDLayout::screenUnderPointer({right}, {-9000, -9000}, left), right);
    // No screens: the main screen.
    EXPECT_EQ(HUDLayout::screenUnderPointer({}, {0, 0}, left), left);
}

TEST(HUDLayoutGroups, SpecsInTableOrderAndRawValuesRoundTrip)
{
    QList<HUDWidgetID> readouts, menu;
    for (const auto &s : HUDLayout::readoutSpecs())
        readouts << s.id;
    for (const auto &s : HUDLayout::menuSpecs())
        menu << s.id;
    EXPECT_EQ(
        readouts,
        (QList<HUDWidgetID>{playerStatus, partyStrip, targetCursor, nowPlaying, fieldHeader}));
    EXPECT_EQ(menu, (QList<HUDWidgetID>{menuRail, summaryPanel, skillSlots}));
    EXPECT_EQ(HUDWidget::allCases().size(), 13);
    for (HUDWidgetID id : HUDWidget::allCases())
        EXPECT_EQ(HUDWidget::fromRawValue(HUDWidget::rawValue(id)), id);
    EXPECT_EQ(HUDWidget::rawValue(playerStatus), QStringLiteral("playerStatus"));
    EXPECT_FALSE(HUDWidget::fromRawValue(QStringLiteral("PlayerStatus")));
}

TEST(HUDLayoutTargetCursor, HangsFromAboveTheWindowWithinTheVisibleFrame)
{
    // On the laptop the panel is 166 × 86 and the visible frame's top is 875: cramped over a
    // window whose top edge is above 779.
    const ScreenInfo right = screenWith({1440, 0, 2560, 1415}); // 219 × 114
    const struct
    {
        const char *name;
        ScreenInfo screen;
        QRectF window;
        QRectF frame;
        bool cramped;
    } cases[] = {
        {"centred", kLaptop, {400, 200, 600, 300}, {617, 420, 166, 86}, false},
        {"off the left edge", kLaptop, {-300, 200, 400, 300}, {4, 420, 166, 86}, false},
        {"off the right edge", kLaptop, {1300, 200, 400, 300}, {1270, 420, 166, 86}, false},
        {"just fits", kLaptop, {400, 200, 600, 579}, {617, 699, 166, 86}, false},
        {"a point short", kLaptop, {400, 200, 600, 580}, {617, 700, 166, 86}, true},
        {"maximised", kLaptop, {-10, 0, 1460, 875}, {637, 785, 166, 86}, true},
        {"second screen", right, {1400, 100, 400, 300}, {1490.5, 292, 219, 114}, false},
    };
    for (const auto &c : cases) {
        const HUDLayout::CursorPlacement p = HUDLayout::placeTargetCursor(c.window, c.screen);
        EXPECT_EQ(p.frame, c.frame) << c.name;
        EXPECT_EQ(p.cramped, c.cramped) << c.name;
    }
}

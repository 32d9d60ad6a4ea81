#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"

#include "fakes/FakeUserDefaults.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QVariantMap>

#include <cmath>

using enum HUDWidgetID;

namespace {

// A display whose visible frame is `vf` (model coordinates).
ScreenInfo screenWith(QRectF vf)
{
    return {QStringLiteral("s"), vf, vf};
}

QRectF frameOf(HUDWidgetID id, const ScreenInfo &screen)
{
    return HUDLayout::frame(HUDLayout::spec(id), screen);
}

const ScreenInfo kLaptop = screenWith({0, 0, 1440, 875});
const ScreenInfo kWide = screenWith({0, 0, 2560, 1415});

} // namespace

TEST(HUDLayout, ReadoutsScaleWithTheVisibleWidthAndSnapToTheGridFromTheVisibleEdges)
{
    EXPECT_DOUBLE_EQ(HUDLayout::scale(playerStatus, screenWith({0, 0, 1000, 800})), 0.72);
    // Sizes round halves away from zero: 350 × 0.77 = 269.5 → 270; 192 × 0.77 = 147.84 → 148.
    EXPECT_EQ(HUDLayout::scaledSize(HUDLayout::spec(partyStrip), screenWith({0, 0, 1540, 900})),
              QSizeF(270, 148));
    // Margins 17.28 → 16 and 22.8 → 24; 875 − 72 − 17.28 = 785.72 → 784.
    EXPECT_EQ(frameOf(playerStatus, kLaptop), QRectF(16, 784, 360, 72));
    EXPECT_EQ(frameOf(playerStatus, kWide), QRectF(24, 1296, 475, 95));
    // The party strip hangs 88 × s below where the player status would sit: 875 − 138 − 17.28 −
    // 63.36 = 656.36 → 656; 1415 − 182 − 22.8 − 83.6 = 1126.6 → 1128.
    EXPECT_EQ(frameOf(partyStrip, kLaptop), QRectF(16, 656, 252, 138));
    EXPECT_EQ(frameOf(partyStrip, kWide), QRectF(24, 1128, 333, 182));
    // Edges off the global grid; the field header's margin is 0.8505 × 24 = 20.4 → 24.
    const ScreenInfo s = screenWith({1443, 37, 1701, 1003});
    EXPECT_EQ(frameOf(fieldHeader, s).topLeft(), QPointF(1443 + 24, 37 + 24));
    EXPECT_EQ(frameOf(menuRail, s).topLeft(), QPointF(1443 + 1200, 37 + 816 - 472));
    EXPECT_EQ(frameOf(skillSlots, s).x(), 1443 + 1344);
}

TEST(HUDLayout, MenuClusterKeepsSizesAndSpacingOnAnyScreenAndCentresOnTheLaptop)
{
    // midY 437.5 + (8 + 472 + 144) / 2 = 749.5 → snapped 752; rail from 280 to 752.
    EXPECT_EQ(frameOf(menuRail, kLaptop), QRectF(936, 280, 504, 472));
    for (const ScreenInfo &screen : {kLaptop, kWide, screenWith({-1280, 100, 1280, 800})}) {
        const QRectF rail = frameOf(menuRail, screen), summary = frameOf(summaryPanel, screen);
        const QRectF quickBar = frameOf(skillSlots, screen);
        const double right = screen.visibleFrame.right();
        EXPECT_EQ(rail.size(), QSizeF(504, 472));
        EXPECT_DOUBLE_EQ(rail.left() - summary.right(), 8);
        EXPECT_DOUBLE_EQ(rail.bottom() - summary.bottom(), 24);
        EXPECT_DOUBLE_EQ(rail.top() - quickBar.bottom(), 8);
        EXPECT_LE(std::abs(right - 24 - quickBar.right()), 4);
        EXPECT_LE(std::abs(right - rail.right()), 4);
        for (HUDWidgetID sub : {inventory, skills, equipment, questLog}) {
            const QRectF f = frameOf(sub, screen);
            EXPECT_DOUBLE_EQ(summary.left() - f.right(), 8);
            EXPECT_DOUBLE_EQ(f.bottom(), summary.bottom()); // tops aligned
        }
    }
}

TEST(HUDLayout, SubPanelsFollowOnlyTheSummarysOffsetAndOffsetsClampIntoTheFrame)
{
    FakeUserDefaults defaults;
    HUDLayoutStore store(defaults);
    const WidgetSpec &hp = HUDLayout::spec(playerStatus), &inv = HUDLayout::spec(inventory);
    const QPointF base = HUDLayout::origin(inv, kLaptop, store);
    store.setOffset(inventory, -300, 0);
    store.setOffset(summaryPanel, -40, 16);
    EXPECT_EQ(HUDLayout::origin(inv, kLaptop, store), base + QPointF(-40, 16));
    store.setOffset(playerStatus, -5000, 5000);
    EXPECT_EQ(HUDLayout::origin(hp, kLaptop, store), QPointF(0, 875 - 72));
    // Clamping leaves an oversized axis alone; exactly as wide as the frame pins to its edge.
    const QRectF vf(0, 0, 300, 1000);
    EXPECT_EQ(HUDLayout::clamp({-50, 990}, {400, 100}, vf), QPointF(-50, 900));
    EXPECT_EQ(HUDLayout::clamp({10, -5}, {100, 100}, vf), QPointF(10, 0));
    EXPECT_EQ(HUDLayout::clamp({40, 0}, {300, 100}, vf), QPointF(0, 0));
}

TEST(HUDLayout, ScreenUnderPointerIsTheContainingThenNearestThenFirst)
{
    const ScreenInfo left = screenWith({0, 0, 1440, 900}), right = screenWith({1540, 0, 1440, 900});
    const QList<ScreenInfo> both{left, right};
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1600, 10}, kLaptop), right);
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {20, 10}, kLaptop), left);
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1500, 400}, kLaptop), right); // in the gap
    // Exactly half-way: the first in the list wins.
    EXPECT_EQ(HUDLayout::screenUnderPointer(both, {1490, 400}, kLaptop), left);
    EXPECT_EQ(HUDLayout::screenUnderPointer({right, left}, {1490, 400}, kLaptop), right);
    // One screen hosts everything, however far the pointer is; no screens: the main screen.
    EXPECT_EQ(HUDLayout::screenUnderPointer({right}, {-9000, -9000}, kLaptop), right);
    EXPECT_EQ(HUDLayout::screenUnderPointer({}, {0, 0}, kLaptop), kLaptop);
}

TEST(HUDLayout, TargetCursorHangsFromAboveTheWindowWithinTheVisibleFrame)
{
    // On the laptop the panel is 166 × 86 under a top at 875: cramped over a window above 779.
    const ScreenInfo right = screenWith({1440, 0, 2560, 1415}); // 219 × 114
    // What, screen, window, the panel's frame, whether it is cramped.
    const std::tuple<const char *, ScreenInfo, QRectF, QRectF, bool> cases[] = {
        {"centred", kLaptop, {400, 200, 600, 300}, {617, 420, 166, 86}, false},
        {"off the left edge", kLaptop, {-300, 200, 400, 300}, {4, 420, 166, 86}, false},
        {"off the right edge", kLaptop, {1300, 200, 400, 300}, {1270, 420, 166, 86}, false},
        {"just fits", kLaptop, {400, 200, 600, 579}, {617, 699, 166, 86}, false},
        {"a point short", kLaptop, {400, 200, 600, 580}, {617, 700, 166, 86}, true},
        {"maximised", kLaptop, {-10, 0, 1460, 875}, {637, 785, 166, 86}, true},
        {"second screen", right, {1400, 100, 400, 300}, {1490.5, 292, 219, 114}, false},
    };
    for (const auto &[name, screen, window, frame, cramped] : cases) {
        const HUDLayout::CursorPlacement p = HUDLayout::placeTargetCursor(window, screen);
        EXPECT_EQ(std::pair(p.frame, p.cramped), std::pair(frame, cramped)) << name;
    }
}

TEST(HUDWidgetSettings, HidesOnlyTheUsersWidgetsPersistsAndNotifiesEveryChangeAsIdleTimesDo)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    QSignalSpy changed(&notes, &HUDNotifications::widgetsChanged);
    {
        HUDWidgetSettings settings(defaults, notes);
        settings.hideAll();
        EXPECT_EQ(settings.hidden().size(), 7);
        for (HUDWidgetID id : {menuRail, questLog, inventory}) // not the user's to hide
            EXPECT_FALSE(settings.isHidden(id)) << HUDWidget::rawValue(id).toStdString();
        EXPECT_TRUE(settings.toggle(playerStatus));
        EXPECT_FALSE(settings.allHidden());
        EXPECT_FALSE(settings.toggle(playerStatus));
        EXPECT_TRUE(settings.allHidden());
        settings.showAll();
        settings.toggle(targetCursor);
    }
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(HUDWidgetSettings(defaults, notes).hidden(), QSet<QString>{"targetCursor"});
    // Duplicates collapse; names of no widget are kept.
    defaults.setValue(HUDWidgetSettings::key, QStringList{"nowPlaying", "nowPlaying", "jukebox"});
    HUDWidgetSettings settings(defaults, notes);
    EXPECT_EQ(settings.hidden(), (QSet<QString>{"nowPlaying", "jukebox"}));
    EXPECT_TRUE(settings.isHidden(nowPlaying));

    // The idle times cycle, and wrong types read as the default; the menu's never touches what is
    // on screen.
    changed.clear();
    HUDSettings idle(defaults, notes);
    idle.setMenuIdle(15);
    for (double next : {20, 0, 6, 10})
        EXPECT_EQ(idle.cycleMenuIdle(), next);
    idle.setMenuIdle(45);
    EXPECT_EQ(idle.cycleMenuIdle(), 0);
    EXPECT_EQ(changed.count(), 0);
    defaults.setValue(HUDSettings::readoutIdleKey, 45);
    for (double next : {10, 30, 60, 0, 10})
        EXPECT_EQ(idle.cycleReadoutIdle(), next);
    EXPECT_EQ(changed.count(), 5);
    defaults.setValue(HUDSettings::menuIdleKey, QStringLiteral("20"));
    defaults.setValue(HUDSettings::readoutIdleKey, true);
    EXPECT_EQ(std::pair(idle.menuIdle(), idle.readoutIdle()), std::pair(10.0, 10.0));
}

TEST(HUDLayoutStore, TinyNonFiniteAndMalformedOffsetsKeepNoEntryTheRestSurvivesRestartAndReset)
{
    FakeUserDefaults defaults;
    {
        HUDLayoutStore store(defaults);
        store.setOffset(playerStatus, 40, 8);
        store.setOffset(playerStatus, 0.3, -0.4);
        EXPECT_FALSE(store.offsets().contains(QStringLiteral("playerStatus")));
        store.setOffset(fieldHeader, 0.2, -0.5); // half a point in either direction is kept
        store.setOffset(partyStrip, -16, 24);
        store.setOffset(playerStatus, std::nan(""), 4);
        store.setOffset(playerStatus, INFINITY, 4);
    }
    HUDLayoutStore reloaded(defaults);
    EXPECT_EQ(std::tuple(reloaded.offset(partyStrip), reloaded.offset(fieldHeader),
                         reloaded.offset(playerStatus)),
              std::tuple(QPointF(-16, 24), QPointF(0.2, -0.5), QPointF(0, 0)));
    reloaded.resetAll();
    EXPECT_FALSE(defaults.contains(HUDLayoutStore::key));
    EXPECT_EQ(HUDLayoutStore(defaults).offset(partyStrip), QPointF(0, 0));

    const auto stored = [](const QVariant &other) {
        return QVariantMap{{"playerStatus", QVariantList{10.0, 20.0}}, {"partyStrip", other}};
    };
    // One malformed entry discards the whole dictionary, which stays in place until a write.
    for (const QVariant &bad : {QVariant("10,20"), QVariant(QVariantList{"10", 20})}) {
        defaults.setValue(HUDLayoutStore::key, stored(bad));
        EXPECT_TRUE(HUDLayoutStore(defaults).offsets().isEmpty());
        EXPECT_TRUE(defaults.contains(HUDLayoutStore::key));
    }
    // An entry of the wrong length reads as zero.
    defaults.setValue(HUDLayoutStore::key, stored(QVariantList{5.0, 6.0, 7.0}));
    HUDLayoutStore store(defaults);
    EXPECT_EQ(store.offset(partyStrip), QPointF(0, 0));
    EXPECT_EQ(store.offset(playerStatus), QPointF(10, 20));
    store.setOffset(nowPlaying, 32, 0);
    EXPECT_EQ(HUDLayoutStore(defaults).offsets().value(QStringLiteral("partyStrip")).size(), 3);
}

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
QVariantList pair(double a, double b)
{
    return {a, b};
}
} // namespace

TEST(HUDWidgetSettings, HideAllThenToggleOneLeavesSixHidden)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    HUDWidgetSettings settings(defaults, notes);
    settings.hideAll();
    EXPECT_TRUE(settings.allHidden());
    EXPECT_EQ(settings.hidden().size(), 7);
    // Menu panels are not the user's to hide.
    EXPECT_FALSE(settings.isHidden(menuRail));
    EXPECT_FALSE(settings.isHidden(questLog));
    EXPECT_FALSE(settings.isHidden(inventory));

    EXPECT_TRUE(settings.toggle(playerStatus));
    EXPECT_EQ(settings.hidden().size(), 6);
    EXPECT_FALSE(settings.allHidden());
    EXPECT_FALSE(settings.toggle(playerStatus));
    EXPECT_TRUE(settings.allHidden());
}

TEST(HUDWidgetSettings, PersistsAcrossRestartsAndNotifiesEveryChange)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    QSignalSpy changed(&notes, &HUDNotifications::widgetsChanged);
    {
        HUDWidgetSettings settings(defaults, notes);
        settings.toggle(nowPlaying);
        settings.toggle(fieldHeader);
        settings.showAll();
        settings.toggle(targetCursor);
    }
    EXPECT_EQ(changed.count(), 4);
    HUDWidgetSettings reloaded(defaults, notes);
    EXPECT_EQ(reloaded.hidden(), QSet<QString>{QStringLiteral("targetCursor")});
}

TEST(HUDWidgetSettings, UnreadableOrForeignStoredValuesFallBack)
{
    HUDNotifications notes;
    {
        FakeUserDefaults defaults;
        defaults.setValue(HUDWidgetSettings::key, QStringLiteral("playerStatus"));
        EXPECT_TRUE(HUDWidgetSettings(defaults, notes).hidden().isEmpty());
    }
    {
        FakeUserDefaults defaults;
        defaults.setValue(HUDWidgetSettings::key, QVariantList{QStringLiteral("nowPlaying"), 3});
        EXPECT_TRUE(HUDWidgetSettings(defaults, notes).hidden().isEmpty());
    }
    {
        // Duplicates collapse; names of no widget stay but hide nothing.
        FakeUserDefaults defaults;
        defaults.setValue(HUDWidgetSettings::key,
                          QStringList{QStringLiteral("nowPlaying"), QStringLiteral("nowPlaying"),
                                      QStringLiteral("jukebox")});
        HUDWidgetSettings settings(defaults, notes);
        EXPECT_EQ(settings.hidden().size(), 2);
        EXPECT_TRUE(settings.isHidden(nowPlaying));
        EXPECT_FALSE(settings.allHidden());
    }
}

TEST(HUDWidgetSettings, FindsWidgetsByExactTitle)
{
    EXPECT_EQ(HUDWidgetSettings::widget(QStringLiteral("Quick Bar")), skillSlots);
    EXPECT_EQ(HUDWidgetSettings::widget(QStringLiteral("HP Bar")), playerStatus);
    EXPECT_FALSE(HUDWidgetSettings::widget(QStringLiteral("quick bar")));
    EXPECT_FALSE(HUDWidgetSettings::widget(QStringLiteral("HP Bar ")));
}

TEST(HUDLayoutStore, TinyOffsetRemovesEntry)
{
    FakeUserDefaults defaults;
    HUDLayoutStore store(defaults);
    store.setOffset(playerStatus, 40, 8);
    EXPECT_EQ(store.offset(playerStatus), QPointF(40, 8));
    store.setOffset(playerStatus, 0.3, -0.4);
    EXPECT_EQ(store.offset(playerStatus), QPointF(0, 0));
    EXPECT_FALSE(store.offsets().contains(QStringLiteral("playerStatus")));
    // Half a point in either direction is kept.
    store.setOffset(playerStatus, 0.2, -0.5);
    EXPECT_EQ(store.offset(playerStatus), QPointF(0.2, -0.5));
}

TEST(HUDLayoutStore, SurvivesRestartAndReset)
{
    FakeUserDefaults defaults;
    {
        HUDLayoutStore store(defaults);
        store.setOffset(partyStrip, -16, 24);
        store.setOffset(summaryPanel, 8, 0);
    }
    HUDLayoutStore reloaded(defaults);
    EXPECT_EQ(reloaded.offset(partyStrip), QPointF(-16, 24));
    EXPECT_EQ(reloaded.offset(summaryPanel), QPointF(8, 0));
    reloaded.resetAll();
    EXPECT_FALSE(defaults.contains(HUDLayoutStore::key));
    EXPECT_EQ(HUDLayoutStore(defaults).offset(partyStrip), QPointF(0, 0));
}

TEST(HUDLayoutStore, OneMalformedEntryDiscardsWholeDictionaryUntilNextWrite)
{
    FakeUserDefaults defaults;
    defaults.setValue(HUDLayoutStore::key,
                      QVariantMap{{QStringLiteral("playerStatus"), pair(10, 20)},
                                  {QStringLiteral("partyStrip"), QStringLiteral("10,20")}});
    HUDLayoutStore store(defaults);
    EXPECT_TRUE(store.offsets().isEmpty());
    EXPECT_TRUE(defaults.contains(HUDLayoutStore::key)); // left in place

    FakeUserDefaults numbersAsText;
    numbersAsText.setValue(
        HUDLayoutStore::key,
        QVariantMap{{QStringLiteral("playerStatus"), QVariantList{QStringLiteral("10"), 20}}});
    EXPECT_TRUE(HUDLayoutStore(numbersAsText).offsets().isEmpty());
}

TEST(HUDLayoutStore, WrongLengthEntriesStayButReadAsZero)
{
    FakeUserDefaults defaults;
    defaults.setValue(HUDLayoutStore::key,
                      QVariantMap{{QStringLiteral("playerStatus"), QVariantList{5.0, 6.0, 7.0}},
                                  {QStringLiteral("fieldHeader"), pair(-8, 16)}});
    HUDLayoutStore store(defaults);
    EXPECT_EQ(store.offset(playerStatus), QPointF(0, 0));
    EXPECT_EQ(store.offset(fieldHeader), QPointF(-8, 16));
    store.setOffset(nowPlaying, 32, 0);
    EXPECT_EQ(HUDLayoutStore(defaults).offsets().value(QStringLiteral("playerStatus")).size(), 3);
}

TEST(HUDLayoutStore, NonFiniteOffsetIsRefusedSoOthersSurvive)
{
    FakeUserDefaults defaults;
    HUDLayoutStore store(defaults);
    store.setOffset(fieldHeader, 24, 24);
    store.setOffset(playerStatus, std::nan(""), 4);
    store.setOffset(playerStatus, INFINITY, 4);
    EXPECT_EQ(HUDLayoutStore(defaults).offset(fieldHeader), QPointF(24, 24));
    EXPECT_EQ(HUDLayoutStore(defaults).offset(playerStatus), QPointF(0, 0));
}

TEST(HUDSettings, MenuIdleCyclesThroughOptions)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    QSignalSpy changed(&notes, &HUDNotifications::widgetsChanged);
    HUDSettings settings(defaults, notes);
    EXPECT_EQ(settings.menuIdle(), 10);
    settings.setMenuIdle(15);
    EXPECT_EQ(settings.cycleMenuIdle(), 20);
    EXPECT_EQ(settings.cycleMenuIdle(), 0);
    EXPECT_EQ(settings.cycleMenuIdle(), 6);
    EXPECT_EQ(settings.cycleMenuIdle(), 10);
    settings.setMenuIdle(45);
    EXPECT_EQ(settings.cycleMenuIdle(), 0);
    EXPECT_EQ(changed.count(), 0); // the menu timing never touches what is on screen
    EXPECT_EQ(HUDSettings::menuIdleLabel(0), QStringLiteral("off"));
    EXPECT_EQ(HUDSettings::menuIdleLabel(6), QStringLiteral("6 seconds"));
    EXPECT_EQ(HUDSettings::menuIdleLabel(6.9), QStringLiteral("6 seconds"));
}

TEST(HUDSettings, ReadoutIdleCyclesAndNotifies)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    QSignalSpy changed(&notes, &HUDNotifications::widgetsChanged);
    HUDSettings settings(defaults, notes);
    defaults.setValue(HUDSettings::readoutIdleKey, 45);
    EXPECT_EQ(settings.cycleReadoutIdle(), 10);
    EXPECT_EQ(settings.cycleReadoutIdle(), 30);
    EXPECT_EQ(settings.cycleReadoutIdle(), 60);
    EXPECT_EQ(settings.cycleReadoutIdle(), 0);
    EXPECT_EQ(settings.cycleReadoutIdle(), 10);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(HUDSettings::readoutIdleLabel(0), QStringLiteral("always on"));
    EXPECT_EQ(HUDSettings::readoutIdleLabel(30), QStringLiteral("30 seconds"));
    EXPECT_EQ(HUDSettings::readoutIdleLabel(60), QStringLiteral("60 seconds"));
}

TEST(HUDSettings, WrongTypedValuesReadAsDefault)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    HUDSettings settings(defaults, notes);
    defaults.setValue(HUDSettings::menuIdleKey, QStringLiteral("20"));
    defaults.setValue(HUDSettings::readoutIdleKey, true);
    EXPECT_EQ(settings.menuIdle(), 10);
    EXPECT_EQ(settings.readoutIdle(), 10);
    EXPECT_EQ(settings.cycleMenuIdle(), 20);
}

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

TEST(HUDWidgetSettings, HidesOnlyTheUsersWidgetsPersistsAndNotifiesEveryChange)
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
    // Duplicates collapse; names of no widget stay but hide nothing.
    defaults.setValue(HUDWidgetSettings::key, QStringList{"nowPlaying", "nowPlaying", "jukebox"});
    HUDWidgetSettings settings(defaults, notes);
    EXPECT_EQ(settings.hidden(), (QSet<QString>{"nowPlaying", "jukebox"}));
    EXPECT_TRUE(settings.isHidden(nowPlaying));
    EXPECT_FALSE(settings.allHidden());
    EXPECT_EQ(HUDWidgetSettings::widget(QStringLiteral("Quick Bar")), skillSlots);
    EXPECT_FALSE(HUDWidgetSettings::widget(QStringLiteral("quick bar")));
    EXPECT_FALSE(HUDWidgetSettings::widget(QStringLiteral("Quick Bar ")));
}

TEST(HUDLayoutStore, TinyAndNonFiniteOffsetsKeepNoEntryAndTheRestSurvivesRestartAndReset)
{
    FakeUserDefaults defaults;
    {
        HUDLayoutStore store(defaults);
        store.setOffset(playerStatus, 40, 8);
        EXPECT_EQ(store.offset(playerStatus), QPointF(40, 8));
        store.setOffset(playerStatus, 0.3, -0.4);
        EXPECT_FALSE(store.offsets().contains(QStringLiteral("playerStatus")));
        store.setOffset(fieldHeader, 0.2, -0.5); // half a point in either direction is kept
        store.setOffset(partyStrip, -16, 24);
        store.setOffset(playerStatus, std::nan(""), 4);
        store.setOffset(playerStatus, INFINITY, 4);
    }
    HUDLayoutStore reloaded(defaults);
    EXPECT_EQ(reloaded.offset(partyStrip), QPointF(-16, 24));
    EXPECT_EQ(reloaded.offset(fieldHeader), QPointF(0.2, -0.5));
    EXPECT_EQ(reloaded.offset(playerStatus), QPointF(0, 0));
    reloaded.resetAll();
    EXPECT_FALSE(defaults.contains(HUDLayoutStore::key));
    EXPECT_EQ(HUDLayoutStore(defaults).offset(partyStrip), QPointF(0, 0));
}

TEST(HUDLayoutStore, MalformedEntriesDiscardTheDictionaryWrongLengthsReadAsZero)
{
    const auto stored = [](const QVariant &other) {
        return QVariantMap{{"playerStatus", QVariantList{10.0, 20.0}}, {"partyStrip", other}};
    };
    // One malformed entry discards the whole dictionary, which stays in place until a write.
    for (const QVariant &bad : {QVariant("10,20"), QVariant(QVariantList{"10", 20})}) {
        FakeUserDefaults defaults;
        defaults.setValue(HUDLayoutStore::key, stored(bad));
        EXPECT_TRUE(HUDLayoutStore(defaults).offsets().isEmpty());
        EXPECT_TRUE(defaults.contains(HUDLayoutStore::key));
    }
    FakeUserDefaults defaults;
    defaults.setValue(HUDLayoutStore::key, stored(QVariantList{5.0, 6.0, 7.0}));
    HUDLayoutStore store(defaults);
    EXPECT_EQ(store.offset(partyStrip), QPointF(0, 0));
    EXPECT_EQ(store.offset(playerStatus), QPointF(10, 20));
    store.setOffset(nowPlaying, 32, 0);
    EXPECT_EQ(HUDLayoutStore(defaults).offsets().value(QStringLiteral("partyStrip")).size(), 3);
}

TEST(HUDSettings, IdleTimesCycleWithTheirLabelsAndWrongTypesReadAsDefault)
{
    FakeUserDefaults defaults;
    HUDNotifications notes;
    QSignalSpy changed(&notes, &HUDNotifications::widgetsChanged);
    HUDSettings settings(defaults, notes);
    settings.setMenuIdle(15);
    for (double next : {20, 0, 6, 10})
        EXPECT_EQ(settings.cycleMenuIdle(), next);
    settings.setMenuIdle(45);
    EXPECT_EQ(settings.cycleMenuIdle(), 0);
    EXPECT_EQ(changed.count(), 0); // the menu timing never touches what is on screen
    defaults.setValue(HUDSettings::readoutIdleKey, 45);
    for (double next : {10, 30, 60, 0, 10})
        EXPECT_EQ(settings.cycleReadoutIdle(), next);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(HUDSettings::menuIdleLabel(0), QStringLiteral("off"));
    EXPECT_EQ(HUDSettings::menuIdleLabel(6.9), QStringLiteral("6 seconds"));
    EXPECT_EQ(HUDSettings::readoutIdleLabel(0), QStringLiteral("always on"));
    defaults.setValue(HUDSettings::menuIdleKey, QStringLiteral("20"));
    defaults.setValue(HUDSettings::readoutIdleKey, true);
    EXPECT_EQ(std::pair(settings.menuIdle(), settings.readoutIdle()), std::pair(10.0, 10.0));
}

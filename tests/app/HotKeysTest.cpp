#include "app/HotKeyCenter.h"
#include "hud/HUDHotKeys.h"
#include "app/HotKeyStartup.h"

#include "fakes/FakeHotKeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace {

void runQueued()
{
    QCoreApplication::processEvents();
}

} // namespace

TEST(HotKeyCenter, SecondRegistrationReplacesTheFirst)
{
    FakeHotKeys keys;
    HotKeyCenter center(1, &keys);
    int first = 0;
    int second = 0;
    ASSERT_TRUE(center.registerHotKey(HotKeys::KeyH, HUDHotKey.modifiers, [&] { ++first; }));
    ASSERT_TRUE(center.registerHotKey(HotKeys::KeyM, MenuHotKey.modifiers, [&] { ++second; }));

    EXPECT_EQ(keys.held.size(), 1);
    EXPECT_EQ(keys.held.value(1), FakeHotKeys::Combination(HotKeys::KeyM, MenuHotKey.modifiers));
    keys.press(1);
    runQueued();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1) << "one press must reach exactly one handler";
}

TEST(HotKeyCenter, UnregisterIsSafeAnyNumberOfTimes)
{
    FakeHotKeys keys;
    HotKeyCenter center(2, &keys);
    center.unregister();
    EXPECT_TRUE(keys.releases.isEmpty());

    int runs = 0;
    ASSERT_TRUE(center.registerHotKey(CommandBarHotKey.keyCode, CommandBarHotKey.modifiers,
                                      [&] { ++runs; }));
    center.unregister();
    center.unregister();
    EXPECT_EQ(keys.releases, QList<int>{2});
    EXPECT_FALSE(center.isRegistered());
    EXPECT_TRUE(keys.held.isEmpty());

    keys.press(2);
    runQueued();
    EXPECT_EQ(runs, 0);
}

TEST(HotKeyCenter, DestroyingACentreReleasesItsKey)
{
    FakeHotKeys keys;
    int runs = 0;
    {
        HotKeyCenter center(4, &keys);
        ASSERT_TRUE(center.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers,
                                          [&] { ++runs; }));
        keys.press(4); // queued, then the centre goes before it runs
    }
    EXPECT_TRUE(keys.held.isEmpty());
    runQueued();
    EXPECT_EQ(runs, 0);
}

TEST(HotKeyCenter, PressRunsOnlyTheCentreWithThatId)
{
    FakeHotKeys keys;
    QList<int> ran;
    HotKeyCenter hud(1, &keys), command(2, &keys), menu(3, &keys), hideAll(4, &keys);
    ASSERT_TRUE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&] { ran << 1; }));
    ASSERT_TRUE(command.registerHotKey(CommandBarHotKey.keyCode, CommandBarHotKey.modifiers,
                                       [&] { ran << 2; }));
    ASSERT_TRUE(menu.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, [&] { ran << 3; }));
    ASSERT_TRUE(hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers,
                                       [&] { ran << 4; }));

    keys.press(3);
    runQueued();
    EXPECT_EQ(ran, QList<int>{3});

    keys.press(7); // an id nobody holds
    runQueued();
    EXPECT_EQ(ran, QList<int>{3});
}

TEST(HotKeyCenter, ActionRunsLaterFromTheEventLoopNeverInsideThePress)
{
    FakeHotKeys keys;
    HotKeyCenter center(3, &keys);
    int runs = 0;
    ASSERT_TRUE(center.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, [&] { ++runs; }));
    keys.press(3);
    EXPECT_EQ(runs, 0);
    runQueued();
    EXPECT_EQ(runs, 1);

    // Pressed, then unregistered before the event loop came round: the action is gone.
    keys.press(3);
    center.unregister();
    runQueued();
    EXPECT_EQ(runs, 1);
}

TEST(HotKeyCenter, ActionMayUnregisterItsOwnCentre)
{
    FakeHotKeys keys;
    HotKeyCenter center(1, &keys);
    auto token = std::make_shared<int>(0);
    ASSERT_TRUE(center.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&, token] {
        center.unregister(); // drops this very closure while it runs
        ++*token;
    }));
    keys.press(1);
    runQueued();
    EXPECT_EQ(*token, 1);
    EXPECT_FALSE(center.isRegistered());
}

TEST(HotKeyCenter, TakenCombinationFailsAndLeavesTheOthersAlone)
{
    FakeHotKeys keys;
    keys.taken.insert({HUDHotKey.keyCode, HUDHotKey.modifiers});
    HotKeyCenter hud(1, &keys), menu(3, &keys);
    int runs = 0;
    EXPECT_FALSE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&] { ++runs; }));
    EXPECT_FALSE(hud.isRegistered());
    EXPECT_TRUE(menu.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, [] {}));

    // Once the other program lets go, registering again succeeds.
    keys.taken.clear();
    EXPECT_TRUE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&] { ++runs; }));
    keys.press(1);
    runQueued();
    EXPECT_EQ(runs, 1);
}

TEST(HotKeyCenter, WithoutAServiceNothingRegisters)
{
    HotKeyCenter center(1, nullptr);
    EXPECT_FALSE(center.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
    center.unregister();
}

TEST(HotKeyStartup, AllFourFailingListsAndLogsEachInItsOwnOrder)
{
    const HotKeyStartup::Report r = HotKeyStartup::report(false, false, false, false);
    EXPECT_EQ(
        r.failures,
        QStringList({QStringLiteral("Ctrl+Alt+Super+H"), QStringLiteral("Ctrl+Alt+Super+M"),
                     QStringLiteral("Ctrl+Alt+Super+Space"), QStringLiteral("Ctrl+Alt+Super+X")}));
    EXPECT_EQ(
        r.logLines,
        QStringList({QStringLiteral("hide-all hotkey Ctrl+Alt+Super+X failed to register"),
                     QStringLiteral("menu hotkey Ctrl+Alt+Super+M failed to register"),
                     QStringLiteral("command bar hotkey Ctrl+Alt+Super+Space failed to register"),
                     QStringLiteral("global hotkey Ctrl+Alt+Super+H failed to register")}));
}

TEST(HotKeyStartup, OnlyFailedKeysAreReported)
{
    const HotKeyStartup::Report commandOnly = HotKeyStartup::report(true, false, true, true);
    EXPECT_EQ(commandOnly.failures, QStringList{QStringLiteral("Ctrl+Alt+Super+Space")});
    EXPECT_EQ(
        commandOnly.logLines,
        QStringList{QStringLiteral("command bar hotkey Ctrl+Alt+Super+Space failed to register")});

    const HotKeyStartup::Report none = HotKeyStartup::report(true, true, true, true);
    EXPECT_TRUE(none.failures.isEmpty());
    EXPECT_TRUE(none.logLines.isEmpty());
}

#include "app/HotKeyCenter.h"
#include "app/HotKeyStartup.h"
#include "hud/HUDHotKeys.h"

#include "fakes/FakeHotKeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace {

// The four centres of the program over fake grabs, registered with their default keys; each
// action writes its centre's id into `ran`.
struct Centres
{
    FakeHotKeys keys;
    QList<int> ran;
    HotKeyCenter hud{1, &keys}, command{2, &keys}, menu{3, &keys}, hideAll{4, &keys};

    bool registerAll()
    {
        const auto note = [this](int id) { return [this, id] { ran << id; }; };
        return hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, note(1))
            & command.registerHotKey(CommandBarHotKey.keyCode, CommandBarHotKey.modifiers, note(2))
            & menu.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, note(3))
            & hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers, note(4));
    }

    // Presses `id` and lets the event loop come round.
    QList<int> press(int id)
    {
        ran.clear();
        keys.press(id);
        QCoreApplication::processEvents();
        return ran;
    }
};

} // namespace

TEST(HotKeyCenter, APressRunsOnlyItsCentreLaterFromTheEventLoop)
{
    Centres c;
    ASSERT_TRUE(c.registerAll());
    c.keys.press(3);
    EXPECT_TRUE(c.ran.isEmpty()) << "never inside the press";
    QCoreApplication::processEvents();
    EXPECT_EQ(c.ran, QList<int>{3});
    EXPECT_TRUE(c.press(7).isEmpty()) << "an id nobody holds";

    // A second registration replaces the first: one press reaches exactly one handler.
    ASSERT_TRUE(c.hud.registerHotKey(HotKeys::KeyM, 0, [&] { c.ran << 10; }));
    EXPECT_EQ(c.keys.held.value(1), FakeHotKeys::Combination(HotKeys::KeyM, 0));
    EXPECT_EQ(c.press(1), QList<int>{10});
}

TEST(HotKeyCenter, UnregisteringDestroyingOrUnregisteringFromTheActionDropsQueuedPresses)
{
    Centres c;
    c.hud.unregister(); // nothing registered: safe, and releases nothing
    EXPECT_TRUE(c.keys.releases.isEmpty());
    ASSERT_TRUE(c.registerAll());
    c.command.unregister();
    c.command.unregister();
    EXPECT_EQ(c.keys.releases, QList<int>{2});
    EXPECT_FALSE(c.command.isRegistered());
    EXPECT_TRUE(c.press(2).isEmpty());

    // Pressed, then unregistered before the event loop came round: the action is gone.
    c.keys.press(3);
    c.menu.unregister();
    EXPECT_TRUE(c.press(99).isEmpty());

    // A centre destroyed with a press queued releases its key and never runs.
    {
        HotKeyCenter gone(5, &c.keys);
        ASSERT_TRUE(gone.registerHotKey(HotKeys::KeyM, 0, [&] { c.ran << 5; }));
        c.keys.press(5);
    }
    EXPECT_FALSE(c.keys.held.contains(5));
    EXPECT_TRUE(c.press(99).isEmpty());

    // An action may unregister its own centre, dropping the very closure that runs.
    auto token = std::make_shared<int>(0);
    ASSERT_TRUE(c.hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&, token] {
        c.hud.unregister();
        ++*token;
    }));
    c.press(1);
    EXPECT_EQ(*token, 1);
    EXPECT_FALSE(c.hud.isRegistered());
}

TEST(HotKeyCenter, TakenCombinationFailsAloneUntilReleasedAndNoServiceRegistersNothing)
{
    Centres c;
    c.keys.taken.insert({HUDHotKey.keyCode, HUDHotKey.modifiers});
    EXPECT_FALSE(c.registerAll());
    EXPECT_FALSE(c.hud.isRegistered());
    EXPECT_TRUE(c.menu.isRegistered() && c.command.isRegistered() && c.hideAll.isRegistered());
    // Once the other program lets go, registering again succeeds.
    c.keys.taken.clear();
    EXPECT_TRUE(c.hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&] { c.ran << 1; }));
    EXPECT_EQ(c.press(1), QList<int>{1});

    HotKeyCenter none(1, nullptr);
    EXPECT_FALSE(none.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
    none.unregister();
}

TEST(HotKeyStartup, ReportsOnlyTheFailedKeysListedInKeyOrderAndLoggedHideAllFirst)
{
    const HotKeyStartup::Report all = HotKeyStartup::report(false, false, false, false);
    EXPECT_EQ(all.failures.join(", "),
              "Ctrl+Alt+Super+H, Ctrl+Alt+Super+M, Ctrl+Alt+Super+Space, Ctrl+Alt+Super+X");
    ASSERT_EQ(all.logLines.size(), 4);
    for (const auto &[line, start] : {std::pair{0, "hide-all hotkey Ctrl+Alt+Super+X"},
                                      {1, "menu hotkey"},
                                      {2, "command bar hotkey"},
                                      {3, "global hotkey Ctrl+Alt+Super+H"}})
        EXPECT_TRUE(all.logLines[line].startsWith(start)) << all.logLines[line].toStdString();

    const HotKeyStartup::Report command = HotKeyStartup::report(true, false, true, true);
    EXPECT_EQ(command.failures, QStringList{"Ctrl+Alt+Super+Space"});
    EXPECT_EQ(command.logLines,
              QStringList{"command bar hotkey Ctrl+Alt+Super+Space failed to register"});
    const HotKeyStartup::Report none = HotKeyStartup::report(true, true, true, true);
    EXPECT_TRUE(none.failures.isEmpty() && none.logLines.isEmpty());
}

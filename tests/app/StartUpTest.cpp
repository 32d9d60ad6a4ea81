#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyStartup.h"
#include "app/SingleCopy.h"
#include "hud/HUDHotKeys.h"

#include "fakes/FakeHotKeys.h"
#include "fakes/FakeProcessTable.h"
#include "fakes/FakeSystemLog.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QTemporaryDir>

#include <memory>

// What the program sets up as it starts: its hot keys, a single running copy and its fonts.
namespace {

const QString kOwn = QStringLiteral("/opt/kaidro/bin/Vantle");

// The program's four centres over fake grabs with their default keys; each action notes its id.
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

TEST(HotKeyCenter, APressRunsOnlyItsCentreLaterATakenComboFailsAloneUntilReleased)
{
    Centres c;
    c.keys.taken.insert({HUDHotKey.keyCode, HUDHotKey.modifiers});
    EXPECT_FALSE(c.registerAll());
    EXPECT_FALSE(c.hud.isRegistered());
    EXPECT_TRUE(c.menu.isRegistered() && c.command.isRegistered() && c.hideAll.isRegistered());
    c.keys.press(3);
    EXPECT_TRUE(c.ran.isEmpty()) << "never inside the press";
    QCoreApplication::processEvents();
    EXPECT_EQ(c.ran, QList<int>{3});
    EXPECT_TRUE(c.press(7).isEmpty()) << "an id nobody holds";

    // Once the other program lets go, registering again succeeds.
    c.keys.taken.clear();
    EXPECT_TRUE(c.hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [&] { c.ran << 1; }));
    EXPECT_EQ(c.press(1), QList<int>{1});
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
    EXPECT_TRUE(!c.command.isRegistered() && c.press(2).isEmpty());

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

TEST(HotKeyStartup, ReportsOnlyTheFailedKeysListedInKeyOrderAndLoggedHideAllFirst)
{
    // Registered in any order, reported in the keys' own.
    auto report = [](bool hud, bool command, bool menu, bool hideAll) {
        return HotKeyStartup::report({{MenuHotKey, menu},
                                      {HideAllHotKey, hideAll},
                                      {HUDHotKey, hud},
                                      {CommandBarHotKey, command}});
    };
    const HotKeyStartup::Report all = report(false, false, false, false);
    EXPECT_EQ(all.failures.join(", "),
              "Ctrl+Alt+Super+H, Ctrl+Alt+Super+M, Ctrl+Alt+Super+Space, Ctrl+Alt+Super+X");
    EXPECT_EQ(all.logLines.join(", ").remove(" failed to register").toStdString(),
              "hide-all hotkey Ctrl+Alt+Super+X, menu hotkey Ctrl+Alt+Super+M, command bar hotkey "
              "Ctrl+Alt+Super+Space, global hotkey Ctrl+Alt+Super+H");

    EXPECT_EQ(report(true, false, true, true).failures, QStringList{"Ctrl+Alt+Super+Space"});
    const HotKeyStartup::Report none = report(true, true, true, true);
    EXPECT_TRUE(none.failures.isEmpty() && none.logLines.isEmpty());
}

TEST(SingleCopy, AnotherCopyIsOurExecutableOrAnotherBuildRunByUsOnOurDisplayAndEachIsEnded)
{
    const struct
    {
        ProcessEntry entry;
        QString own;
        bool copy;
    } cases[] = {
        {{200, 1000, kOwn, ":0"}, kOwn, true},
        {{200, 1000, "/tmp/kaidro-dev", ":0"}, "/tmp/kaidro-dev", true}, // the same file, any name
        {{201, 1000, "/home/me/src/build/Vantle", ":0"}, kOwn, true}, // another build, by name
        {{208, 1000, kOwn, ":0.0"}, kOwn, true}, // the same server, its screen named
        {{100, 1000, kOwn, ":0"}, kOwn, false}, // ourselves
        {{202, 0, kOwn, ":0"}, kOwn, false}, // another user's
        {{203, 1001, "/usr/bin/Vantle", ":0"}, kOwn, false},
        {{204, 1000, QString(), ":0"}, kOwn, false}, // an unreadable executable
        {{205, 1000, "/usr/bin/Vantle-helper", ":0"}, kOwn, false}, // names that only resemble ours
        {{206, 1000, "/usr/bin/vantle", ":0"}, kOwn, false},
        {{207, 1000, "/opt/Vantle/bin/other", ":0"}, kOwn, false},
        {{209, 1000, kOwn, ":10"}, kOwn, false}, // showing on another X server
        {{210, 1000, kOwn, ""}, kOwn, false}, // started without a display
    };
    for (const auto &[entry, own, copy] : cases)
        EXPECT_EQ(SingleCopy::isAnotherCopy(entry, 100, 1000, own, ":0"), copy) << entry.pid;

    // Each other copy is ended and its path logged.
    FakeProcessTable table;
    FakeSystemLog log;
    table.list = {{100, 1000, kOwn, ":0"},
                  {300, 1000, kOwn, ":0"},
                  {301, 1000, "/usr/local/bin/Vantle", ":0"},
                  {303, 1000, "/usr/bin/xterm", ":0"}};
    SingleCopy::endOtherCopies(table, log);
    EXPECT_EQ(table.terminated, (QList<pid_t>{300, 301}));
    EXPECT_EQ(log.lines,
              (QStringList{"Vantle: ending another running copy at /opt/kaidro/bin/Vantle",
                           "Vantle: ending another running copy at /usr/local/bin/Vantle"}));
}

TEST(CommandLine, ReadsOneCommandLeavesQtItsOptionsAndRefusesTheRest)
{
    using Kind = CommandLine::Invocation::Kind;
    const struct
    {
        QStringList arguments;
        Kind kind;
        QString command;
    } cases[] = {
        {{}, Kind::start, {}},
        {{"-platform", "xcb"}, Kind::start, {}}, // the desktop entry's way to force X11
        {{"-style=fusion", "-display", ":3"}, Kind::start, {}},
        {{"command-bar"}, Kind::send, "command-bar"},
        {{"-platform", "xcb", "edit-layout"}, Kind::send, "edit-layout"},
        {{"quit", "-display", ":1"}, Kind::send, "quit"},
        {{"menu", "--help"}, Kind::help, {}},
        {{"-h"}, Kind::help, {}},
        {{"Menu"}, Kind::misuse, "unknown command \"Menu\""},
        {{"menu", "hud"}, Kind::misuse, "one command at a time (\"menu\", then \"hud\")"},
        {{"-platform"}, Kind::start, {}}, // a dangling option is Qt's to refuse
        {{"--platform", "wayland", "menu"}, Kind::send, "menu"}, // two dashes: ours
        {{"--platform=mir"}, Kind::misuse, "--platform takes x11 or wayland (not \"mir\")"},
        {{"--platform"}, Kind::misuse, "--platform takes x11 or wayland (not \"\")"},
    };
    for (const auto &[arguments, kind, command] : cases) {
        const CommandLine::Invocation got = CommandLine::parse(arguments);
        EXPECT_EQ(std::pair(got.kind, got.command), std::pair(kind, command))
            << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(CommandLine::parse({"--platform=x11"}).platform, "x11");
    EXPECT_EQ(CommandLine::withoutOwnOptions({"--platform", "wayland", "-platform", "xcb", "hud"}),
              QStringList({"-platform", "xcb", "hud"}));
    // Every command the running copy takes is in the help.
    for (const QString &name : CommandLine::commandNames())
        EXPECT_TRUE(CommandLine::usage().contains("\n  " + name + ' ')) << name.toStdString();
}

TEST(FontRegistration, RegistersGoodFilesAndSkipsBrokenOnes)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("broken.ttf")), "not a font");
    EXPECT_EQ(AppDelegate::registerFonts(dir.path()), 0);
    EXPECT_EQ(AppDelegate::registerFonts(QString()), 0);

    const QString fonts = QStringLiteral(KAIDRO_RESOURCES_DIR "/fonts");
    const QStringList files = QDir(fonts).entryList({QStringLiteral("*.ttf")});
    if (files.isEmpty())
        GTEST_SKIP() << "the Exo 2 files were not fetched on this machine";
    EXPECT_EQ(AppDelegate::registerFonts(fonts), files.size());
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Exo 2")));
}

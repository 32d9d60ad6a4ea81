#include "setup/SetupChecker.h"
#include "platform/linux/EvolutionCalendarStore.h"

#include "actions/ShortcutsTool.h"
#include "platform/linux/LinuxSystemInfo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

namespace {

using State = SetupItem::State;

// Everything in place on an X11 desktop.
SetupFacts healthy()
{
    SetupFacts f;
    f.session = SystemInfo::SessionKind::x11;
    f.prettyName = "Debian GNU/Linux 12 (bookworm)";
    f.windowControl = true;
    f.calendar = SetupFacts::StoreAccess::granted;
    f.reminders = SetupFacts::StoreAccess::granted;
    f.shortcutsTool = true;
    f.shortcutCount = 3;
    f.mediaPlayers
        = {"org.mpris.MediaPlayer2.GnomeMusic", "org.mpris.MediaPlayer2.spotify.instance42"};
    f.spotifyInstalled = true;
    f.loginItem = true;
    f.ollama = true;
    return f;
}

const SetupItem &item(const QList<SetupItem> &items, const char *id)
{
    for (const SetupItem &i : items) {
        if (i.id == QLatin1String(id))
            return i;
    }
    static const SetupItem none;
    ADD_FAILURE() << "no item " << id;
    return none;
}

QList<SetupItem> build(const SetupFacts &facts, const SetupActions &actions = {},
                       bool restricted = false)
{
    return SetupChecker::buildItems(facts, actions, restricted);
}

} // namespace

TEST(SetupItems, AHealthyDesktopIsAllOkAndEachLineSaysWhatItFound)
{
    QStringList ids;
    for (const SetupItem &i : build(healthy())) {
        ids << i.id;
        EXPECT_EQ(i.state, State::ok) << qPrintable(i.id);
    }
    EXPECT_EQ(ids.join(' '), "os ax cal rem sc music spotify keys login ollama");

    using Change = std::function<void(SetupFacts &)>;
    const Change none = [](SetupFacts &) {};
    // A player name that merely starts like Spotify's is another player.
    const std::tuple<Change, const char *, const char *> rows[] = {
        {none, "os", "This computer runs Debian GNU/Linux 12 (bookworm) on X11."},
        {none, "sc", "3 Shortcuts found for Skills."},
        {[](SetupFacts &f) { f.shortcutCount = 1; }, "sc", "1 Shortcut found for Skills."},
        {[](SetupFacts &f) { f.shortcutCount.reset(); }, "sc", "Checking your Shortcuts..."},
        {[](SetupFacts &f) {
             f.hotKeyFailures = {"Ctrl+Alt+Super+H", "Ctrl+Alt+Super+X"};
         },
         "keys",
         "Another app already uses Ctrl+Alt+Super+H, Ctrl+Alt+Super+X. Use the menu bar icon "
         "instead, or free that shortcut."},
        {[](SetupFacts &f) { f.mediaPlayers = {"org.mpris.MediaPlayer2.spotifyd"}; }, "music",
         "Music is closed, so its permission cannot be checked yet. Open it, and this updates."}};
    for (const auto &[change, id, detail] : rows) {
        SetupFacts f = healthy();
        change(f);
        EXPECT_EQ(item(build(f), id).detail.toStdString(), detail);
    }
}

TEST(SetupItems, OnlyRequiredLinesInAttentionCount)
{
    SetupFacts f = healthy();
    EXPECT_EQ(SetupChecker::attentionCount(build(f)), 0);
    f.session = SystemInfo::SessionKind::wayland;
    f.calendar = SetupFacts::StoreAccess::denied;
    f.hotKeyFailures = {"Ctrl+Alt+Super+H"};
    auto items = build(f);
    // The calendar and the keys need attention but are optional.
    EXPECT_EQ(item(items, "cal").state, State::attention);
    EXPECT_EQ(SetupChecker::attentionCount(items), 1);
    EXPECT_TRUE(item(items, "os").detail.startsWith("Kaidro needs an X11 session"));
    f.windowControl = false;
    EXPECT_EQ(SetupChecker::attentionCount(build(f)), 2);
    // A missing Shortcuts tool makes its line required.
    f.shortcutsTool = false;
    items = build(f);
    EXPECT_TRUE(item(items, "sc").required);
    EXPECT_EQ(SetupChecker::attentionCount(items), 3);
}

TEST(SetupItems, ButtonsAppearOnlyWithAWayToAct)
{
    SetupFacts f = healthy();
    f.shortcutCount = 0;
    f.calendar = SetupFacts::StoreAccess::notDetermined;
    f.reminders = SetupFacts::StoreAccess::denied;
    f.mediaPlayers = {"org.mpris.MediaPlayer2.spotifyd"};
    EXPECT_TRUE(item(build(f), "cal").actionTitle.isEmpty());
    QStringList ran;
    SetupActions actions;
    actions.openShortcuts = [&] { ran << "shortcuts"; };
    actions.openCalendar = [&] { ran << "calendar"; };
    actions.openPlayer = [&](const QString &player) { ran << player; };
    const auto items = build(f, actions);
    EXPECT_EQ(item(items, "sc").state, State::optionalMissing);
    EXPECT_FALSE(item(items, "sc").required);
    EXPECT_EQ(item(items, "music").state, State::optionalMissing);
    QStringList titles;
    for (const char *id : {"sc", "cal", "rem", "spotify"}) {
        titles << item(items, id).actionTitle;
        item(items, id).action();
    }
    EXPECT_EQ(titles,
              (QStringList{"Open Shortcuts", "Open Calendar", "Open Calendar", "Open Spotify"}));
    EXPECT_EQ(ran, (QStringList{"shortcuts", "calendar", "calendar", "Spotify"}));
    f.spotifyInstalled = false;
    EXPECT_TRUE(item(build(f, actions), "spotify").actionTitle.isEmpty());
}

TEST(SetupItems, ARestrictedEditionSaysSoForTheToolsAndPlayers)
{
    SetupFacts f = healthy();
    f.shortcutsTool = false;
    const auto items = build(f, {}, true);
    for (const char *id : {"sc", "music", "spotify", "ollama"}) {
        EXPECT_EQ(item(items, id).detail, "Not available in this edition.") << id;
        EXPECT_FALSE(item(items, id).required) << id;
    }
    EXPECT_EQ(SetupChecker::attentionCount(items), 0);
}

TEST(SetupReport, TagsEachLineByStateAndWhetherItIsRequired)
{
    SetupFacts f = healthy();
    f.windowControl = false;
    f.calendar = SetupFacts::StoreAccess::denied;
    f.ollama = false;
    const QStringList lines = SetupChecker::report(build(f), f.prettyName).split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines.mid(0, 2),
              (QStringList{"Kaidro setup check", "Linux Debian GNU/Linux 12 (bookworm)"}));
    EXPECT_EQ(lines.at(2), "[OK] X11 session: " + item(build(f), "os").detail);
    EXPECT_TRUE(lines.at(3).startsWith("[NEEDS ATTENTION] Window control: "));
    EXPECT_TRUE(lines.at(4).startsWith("[needs attention] Calendar: "));
    EXPECT_TRUE(lines.at(11).startsWith("[optional] Ollama: "));
}

namespace {

// Probes that answer at once with the healthy facts, counting how often the Ollama probe ran.
struct ProbeCounts
{
    std::atomic<int> ollama{0};
};

SetupProbes quickProbes(const std::shared_ptr<ProbeCounts> &counts)
{
    const SetupFacts f = healthy();
    const auto granted = [] { return SetupFacts::StoreAccess::granted; };
    const auto yes = [] { return true; };
    SetupProbes p;
    p.session = [] { return SystemInfo::SessionKind::x11; };
    p.windowControl = p.shortcutsTool = p.spotifyInstalled = p.loginItem = yes;
    p.hotKeyFailures = [] { return QStringList(); };
    p.shortcutCount = [] { return std::optional<int>(2); };
    p.prettyName = [f] { return f.prettyName; };
    p.calendar = p.reminders = granted;
    p.mediaPlayers = [f] { return f.mediaPlayers; };
    p.ollama = [counts] { return ++counts->ollama > 0; };
    return p;
}

} // namespace

TEST(SetupRun, PublishesTheLinesOnceEveryProbeHasAnsweredAndRefreshesWhileLive)
{
    auto counts = std::make_shared<ProbeCounts>();
    SetupChecker checker(quickProbes(counts), {});
    int changes = 0;
    QObject::connect(&checker, &SetupChecker::changed, [&] { ++changes; });
    checker.start();
    EXPECT_TRUE(checker.checking());
    checker.start(); // dropped: a run is in progress
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(counts->ollama.load(), 1);
    EXPECT_EQ(checker.items().size(), 10);
    EXPECT_EQ(checker.attentionCount(), 0);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(checker.report().contains("\n[OK] Ollama: Installed."));

    // Live refresh runs only between start and stop.
    checker.startLive();
    EXPECT_TRUE(checker.isLive());
    EXPECT_TRUE(checker.checking());
    checker.stopLive();
    EXPECT_FALSE(checker.isLive());
    QTRY_VERIFY(!checker.checking());
}

TEST(SetupRun, AHangingProbeIsGivenUpAndNotAskedAgainUntilItReturns)
{
    auto counts = std::make_shared<ProbeCounts>();
    auto gate = std::make_shared<QSemaphore>();
    SetupProbes probes = quickProbes(counts);
    probes.ollama = [counts, gate] {
        ++counts->ollama;
        gate->acquire();
        return true;
    };
    probes.loginItem = [gate] {
        gate->acquire();
        return true;
    };
    SetupChecker checker(std::move(probes), {});
    // Whatever happens below, the stuck threads are let go before the checker goes.
    struct Release
    {
        std::shared_ptr<QSemaphore> gate;
        ~Release() { gate->release(100); }
    } release{gate};
    checker.start();
    QTRY_COMPARE(checker.outstandingProbes(), 2);
    EXPECT_TRUE(checker.checking());
    checker.expireRun();
    ASSERT_FALSE(checker.checking());
    const auto &first = checker.items();
    EXPECT_EQ(item(first, "ollama").state, State::optionalMissing);
    EXPECT_EQ(item(first, "login").state, State::optionalMissing);
    EXPECT_EQ(item(first, "music").state, State::ok);

    // The next run does not wait for the stuck probes at all.
    checker.start();
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(counts->ollama.load(), 1);
    EXPECT_EQ(item(checker.items(), "ollama").state, State::optionalMissing);

    // Once they return, their late answers change nothing, and the next run asks again.
    gate->release(2);
    QTRY_COMPARE(checker.probesInFlight(), 0);
    EXPECT_EQ(item(checker.items(), "ollama").state, State::optionalMissing);
    gate->release(2);
    checker.start();
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(counts->ollama.load(), 2);
    EXPECT_EQ(item(checker.items(), "ollama").state, State::ok);
    EXPECT_EQ(item(checker.items(), "login").state, State::ok);
}

TEST(SetupRun, TurningTheLoginItemOnChecksAgain)
{
    auto counts = std::make_shared<ProbeCounts>();
    SetupProbes probes = quickProbes(counts);
    bool registered = false;
    probes.loginItem = [&registered] { return registered; };
    SetupActions actions;
    actions.turnOnLoginItem = [&registered] { registered = true; };
    SetupChecker checker(std::move(probes), std::move(actions));
    checker.start();
    QTRY_VERIFY(!checker.checking());
    const SetupItem login = item(checker.items(), "login");
    ASSERT_EQ(login.actionTitle, "Turn on");
    login.action();
    EXPECT_TRUE(checker.checking());
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(item(checker.items(), "login").detail, "Kaidro starts when you log in.");
}

TEST(SetupProbeHelpers, CalendarStoreAccess)
{
    QTemporaryDir root;
    const QString calendars = root.filePath("evolution/calendar");
    EXPECT_EQ(EvolutionCalendarStore::storeAccess(calendars, "calendar.ics"),
              SetupFacts::StoreAccess::notDetermined);
    QDir().mkpath(calendars + "/system");
    // A source folder without its file is not a store.
    EXPECT_EQ(EvolutionCalendarStore::storeAccess(calendars, "calendar.ics"),
              SetupFacts::StoreAccess::notDetermined);
    QFile store(calendars + "/system/calendar.ics");
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("BEGIN:VCALENDAR\nEND:VCALENDAR\n");
    store.close();
    EXPECT_EQ(EvolutionCalendarStore::storeAccess(calendars, "calendar.ics"),
              SetupFacts::StoreAccess::granted);

    store.setPermissions(QFileDevice::Permissions());
    if (store.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running as a user who reads every file";
    EXPECT_EQ(EvolutionCalendarStore::storeAccess(calendars, "calendar.ics"),
              SetupFacts::StoreAccess::denied);
}

TEST(SetupProbeHelpers, ToolsAndDesktopEntries)
{
    QTemporaryDir root;
    QFile tool(root.filePath("vantle-shortcuts"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    // Not executable: not the tool.
    EXPECT_NE(ShortcutsTool::locate(root.path()), tool.fileName());
    tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ShortcutsTool::locate(root.path()), tool.fileName());

    const QString apps = root.filePath("applications");
    QDir().mkpath(apps);
    EXPECT_FALSE(SetupProbes::spotifyInstalledIn({root.filePath("none"), apps}));
    QFile entry(apps + "/com.spotify.Client.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_TRUE(SetupProbes::spotifyInstalledIn({root.filePath("none"), apps}));
}

TEST(SetupProbeHelpers, PrettyNameFollowsOsReleaseQuoting)
{
    const std::pair<const char *, const char *> rows[]
        = {{"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
            "Debian GNU/Linux 12 (bookworm)"},
           {"PRETTY_NAME='Arch $Linux'\n", "Arch $Linux"},
           {"PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
           {"PRETTY_NAME=Gentoo\n", "Gentoo"},
           {"NAME=x\n# PRETTY_NAME=y\n", ""}};
    for (const auto &[text, name] : rows)
        EXPECT_EQ(LinuxSystemInfo::prettyNameOf(text), name) << text;
}

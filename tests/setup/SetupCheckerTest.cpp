#include "setup/SetupChecker.h"
#include "platform/linux/EvolutionCalendarStore.h"

#include "actions/ShortcutsTool.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

using State = SetupItem::State;
using Access = SetupFacts::StoreAccess;

// Everything in place on an X11 desktop.
SetupFacts healthy()
{
    SetupFacts f;
    f.session = SystemInfo::SessionKind::x11;
    f.prettyName = "Debian GNU/Linux 12 (bookworm)";
    f.windowControl = f.shortcutsTool = f.spotifyInstalled = f.loginItem = f.ollama = true;
    f.calendar = f.reminders = Access::granted;
    f.shortcutCount = 3;
    f.mediaPlayers
        = {"org.mpris.MediaPlayer2.GnomeMusic", "org.mpris.MediaPlayer2.spotify.instance42"};
    return f;
}

const SetupItem &item(const QList<SetupItem> &items, const char *id)
{
    static const SetupItem none;
    if (const auto it = std::ranges::find(items, QString::fromLatin1(id), &SetupItem::id);
        it != items.end())
        return *it;
    ADD_FAILURE() << "no item " << id;
    return none;
}

QList<SetupItem> build(const SetupFacts &facts, const SetupActions &actions = {})
{
    return SetupChecker::buildItems(facts, actions);
}

QString detail(const SetupFacts &facts, const char *id)
{
    return item(build(facts), id).detail;
}

// Probes that answer at once with the healthy facts, counting how often the Ollama probe ran;
// a test may replace the login-item and Ollama answers, which run on the checker's threads.
struct QuickProbes final : SetupProbes
{
    std::shared_ptr<std::atomic<int>> ollamaRuns = std::make_shared<std::atomic<int>>(0);
    std::atomic<int> reloads = 0;
    std::function<bool()> loginAnswer = [] { return true; };
    std::function<bool()> ollamaAnswer = [runs = ollamaRuns] { return ++*runs > 0; };

    void reloadShortcuts() override { ++reloads; }
    SystemInfo::SessionKind session() const override { return SystemInfo::SessionKind::x11; }
    bool windowControl() const override { return true; }
    std::optional<int> shortcutCount() const override { return 2; }
    QString prettyName() const override { return healthy().prettyName; }
    Access calendar() const override { return Access::granted; }
    Access reminders() const override { return Access::granted; }
    bool shortcutsTool() const override { return true; }
    QStringList mediaPlayers() const override { return healthy().mediaPlayers; }
    bool spotifyInstalled() const override { return true; }
    bool loginItem() const override { return loginAnswer(); }
    bool ollama() const override { return ollamaAnswer(); }
};

} // namespace

TEST(SetupItems, AHealthyDesktopIsAllOkOnlyRequiredLinesInAttentionCountAndTheReportSaysWhich)
{
    QStringList ids;
    for (const SetupItem &i : build(healthy())) {
        ids << i.id;
        EXPECT_EQ(i.state, State::ok) << qPrintable(i.id);
    }
    EXPECT_EQ(ids.join(' '), "os ax cal rem sc music spotify keys login ollama");

    SetupFacts f = healthy();
    f.hotKeyFailures = {"Ctrl+Alt+Super+H", "Ctrl+Alt+Super+X"};
    EXPECT_TRUE(detail(f, "keys").contains("Ctrl+Alt+Super+H, Ctrl+Alt+Super+X."));
    // A closed player's line says which open players the strip follows instead, each once; a
    // name that merely starts like Spotify's is another player.
    f.mediaPlayers = {"org.mpris.MediaPlayer2.spotifyd"};
    EXPECT_EQ(detail(f, "music"),
              "Music is closed. The Now Playing strip follows what spotifyd plays, and Music once "
              "it is open.");
    f.mediaPlayers = {"org.mpris.MediaPlayer2.mpv", "org.mpris.MediaPlayer2.vlc.instance7",
                      "org.mpris.MediaPlayer2.vlc.instance9", "org.mpris.MediaPlayer2.spotify"};
    EXPECT_TRUE(detail(f, "music").contains("follows what mpv, vlc or Spotify plays,"));
    EXPECT_EQ(item(build(f), "music").state, State::ok);

    // Only required lines in attention count.
    f = healthy();
    f.session = SystemInfo::SessionKind::wayland;
    f.calendar = Access::denied;
    f.hotKeyFailures = {"Ctrl+Alt+Super+H"};
    auto items = build(f);
    // The calendar and the keys need attention but are optional.
    EXPECT_EQ(item(items, "cal").state, State::attention);
    EXPECT_EQ(SetupChecker::attentionCount(items), 1);
    // Even with every key grabbed, a Wayland session points at the commands to bind.
    f.hotKeyFailures.clear();
    EXPECT_EQ(item(build(f), "keys").state, State::attention);
    f.session = SystemInfo::SessionKind::none;
    EXPECT_EQ(item(build(f), "keys").state, State::ok);
    f.session = SystemInfo::SessionKind::wayland;
    f.windowControl = false;
    EXPECT_EQ(SetupChecker::attentionCount(build(f)), 2);
    // A missing Shortcuts tool makes its line required.
    f.shortcutsTool = false;
    items = build(f);
    EXPECT_TRUE(item(items, "sc").required);
    EXPECT_EQ(SetupChecker::attentionCount(items), 3);

    // The report tags each line by its state and whether it is required.
    f = healthy();
    f.windowControl = false;
    f.calendar = Access::denied;
    f.ollama = false;
    const QStringList lines = SetupChecker::report(build(f), f.prettyName).split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_TRUE(lines.at(2).startsWith("[OK] X11 session: "));
    EXPECT_TRUE(lines.at(3).startsWith("[NEEDS ATTENTION] Window control: "));
    EXPECT_TRUE(lines.at(4).startsWith("[needs attention] Calendar: "));
    EXPECT_TRUE(lines.at(11).startsWith("[optional] Ollama: "));
}

TEST(SetupItems, NativeWaylandSaysWhichPathRunsAndWhatWorksRowByRow)
{
    SetupFacts f = healthy();
    f.session = SystemInfo::SessionKind::waylandNative;
    f.windowList = true;
    f.windowControl = false;
    f.hotKeyFailures = {"Ctrl+Alt+Super+H", "Ctrl+Alt+Super+M"};
    const QList<SetupItem> items = build(f);
    QStringList ids;
    for (const SetupItem &i : items)
        ids << i.id;
    EXPECT_EQ(ids.join(' '), "os windows ax cal rem sc music spotify keys login ollama");
    EXPECT_EQ(item(items, "os").title, "Wayland session");
    EXPECT_EQ(item(items, "os").state, State::ok);
    EXPECT_TRUE(detail(f, "os").contains("overlay layer"));
    EXPECT_EQ(item(items, "windows").state, State::ok);
    EXPECT_TRUE(detail(f, "windows").contains("the target is the active window"));
    EXPECT_TRUE(detail(f, "ax").contains("needs the compositor's own IPC"));
    EXPECT_TRUE(detail(f, "keys").startsWith("The desktop's global shortcuts portal did not give "
                                             "Kaidro Ctrl+Alt+Super+H, Ctrl+Alt+Super+M. "
                                             "Instead, bind Vantle hud"));
    // Keys the portal gave are listed as anywhere; a compositor without a window list says so.
    f.hotKeyFailures.clear();
    f.windowList = false;
    EXPECT_EQ(item(build(f), "keys").state, State::ok);
    EXPECT_EQ(item(build(f), "windows").state, State::attention);
}

TEST(SetupItems, CalendarRowsCountTheSourcesNameThoseWaitingForSignInAndSayWhatReadsThem)
{
    SetupFacts f = healthy();
    f.calendarSources = {"evolution-data-server",
                         {},
                         {{"Personal", "On This Computer", true},
                          {"Work calendar", "CalDAV", true, true, true},
                          {"Family", "Google", true, true},
                          {"Tasks", "On This Computer", false}}};
    const auto items = build(f);
    EXPECT_EQ(item(items, "cal").detail.toStdString(),
              "Quests show your upcoming events. 3 calendars, 2 online. Read through "
              "evolution-data-server. Work calendar (CalDAV): needs sign-in.");
    EXPECT_EQ(item(items, "cal").state, State::attention);
    EXPECT_EQ(item(items, "rem").detail,
              "Quests show your open reminders. 1 task list. Read "
              "through evolution-data-server.");
    EXPECT_EQ(item(items, "rem").state, State::ok);

    // The files stand in, and the line says why; every source failed is not "files".
    f.calendarSources = {"calendar files", "no session bus", {}};
    EXPECT_TRUE(detail(f, "cal").endsWith(
        "Read from the calendar files: evolution-data-server is not available (no session bus)."));
    f.calendarSources = {"evolution-data-server", {}, {{"Work", "CalDAV", true, true}}};
    f.calendar = Access::denied;
    EXPECT_TRUE(
        detail(f, "cal").contains("Kaidro cannot read your calendars. 1 calendar, 1 online."));
}

TEST(SetupItems, ButtonsAppearOnlyWithAWayToAct)
{
    SetupFacts f = healthy();
    f.shortcutCount = 0;
    f.calendar = Access::notDetermined;
    f.reminders = Access::denied;
    f.mediaPlayers.clear();
    EXPECT_TRUE(item(build(f), "cal").actionTitle.isEmpty());
    QStringList ran;
    SetupActions actions;
    actions.openShortcuts = [&] { ran << "shortcuts"; };
    actions.openCalendar = [&] { ran << "calendar"; };
    actions.openPlayer = [&](const QString &player) { ran << player; };
    const auto items = build(f, actions);
    EXPECT_FALSE(item(items, "sc").required);
    EXPECT_EQ(std::pair(item(items, "sc").state, item(items, "music").state),
              std::pair(State::optionalMissing, State::optionalMissing));
    for (const char *id : {"sc", "cal", "rem", "spotify"}) {
        EXPECT_FALSE(item(items, id).actionTitle.isEmpty()) << id;
        item(items, id).action();
    }
    EXPECT_EQ(ran, (QStringList{"shortcuts", "calendar", "calendar", "Spotify"}));
    f.spotifyInstalled = false;
    EXPECT_TRUE(item(build(f, actions), "spotify").actionTitle.isEmpty());
}

TEST(SetupRun, PublishesTheLinesOnceEveryProbeHasAnsweredAndChecksAgainWhenAsked)
{
    auto probes = std::make_shared<QuickProbes>();
    std::atomic<bool> registered = false;
    probes->loginAnswer = [&registered] { return registered.load(); };
    SetupActions actions;
    actions.turnOnLoginItem = [&registered] { registered = true; };
    SetupChecker checker(probes, std::move(actions));
    int changes = 0;
    QObject::connect(&checker, &SetupChecker::changed, [&] { ++changes; });
    checker.start();
    checker.start(); // dropped: a run is in progress
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(probes->ollamaRuns->load(), 1);
    // Each run asks the skill book to list the Shortcuts again.
    EXPECT_EQ(probes->reloads, 1);
    EXPECT_EQ(std::tuple(checker.items().size(), checker.attentionCount(), changes),
              std::tuple(10, 0, 2));

    // Turning the login item on checks again.
    const SetupItem login = item(checker.items(), "login");
    ASSERT_EQ(login.actionTitle, "Turn on");
    login.action();
    EXPECT_TRUE(checker.checking());
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(item(checker.items(), "login").state, State::ok);
}

TEST(SetupRun, AHangingProbeIsGivenUpAndNotAskedAgainUntilItReturns)
{
    auto gate = std::make_shared<QSemaphore>();
    auto probes = std::make_shared<QuickProbes>();
    const auto ollamaRuns = probes->ollamaRuns;
    probes->ollamaAnswer = [ollamaRuns, gate] {
        ++*ollamaRuns;
        gate->acquire();
        return true;
    };
    probes->loginAnswer = [gate] {
        gate->acquire();
        return true;
    };
    SetupChecker checker(probes, {});
    // Whatever happens below, the stuck threads are let go before the checker goes.
    const auto release = qScopeGuard([gate] { gate->release(100); });
    const auto state = [&](const char *id) { return item(checker.items(), id).state; };
    checker.start();
    QTRY_COMPARE(checker.outstandingProbes(), 2);
    EXPECT_TRUE(checker.checking());
    checker.expireRun();
    ASSERT_FALSE(checker.checking());
    EXPECT_EQ(std::tuple(state("ollama"), state("login"), state("music")),
              std::tuple(State::optionalMissing, State::optionalMissing, State::ok));

    // The next run does not wait for the stuck probes at all.
    checker.start();
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(ollamaRuns->load(), 1);
    EXPECT_EQ(state("ollama"), State::optionalMissing);

    // Once they return, their late answers change nothing, and the next run asks again.
    gate->release(2);
    QTRY_COMPARE(checker.probesInFlight(), 0);
    EXPECT_EQ(state("ollama"), State::optionalMissing);
    gate->release(2);
    checker.start();
    QTRY_VERIFY(!checker.checking());
    EXPECT_EQ(std::tuple(ollamaRuns->load(), state("ollama"), state("login")),
              std::tuple(2, State::ok, State::ok));
}

TEST(SetupProbeHelpers, ToolsDesktopEntriesOsReleaseAndCalendarStores)
{
    QTemporaryDir root;
    const QString tool = root.filePath("vantle-shortcuts");
    writeFile(tool);
    // Not executable: not the tool.
    EXPECT_NE(ShortcutsTool::locate(root.path()), tool);
    writeFile(tool, {}, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ShortcutsTool::locate(root.path()), tool);

    const QStringList folders{root.filePath("none"), root.filePath("applications")};
    QDir().mkpath(folders[1]);
    EXPECT_FALSE(SetupProbes::spotifyInstalledIn(folders));
    writeFile(folders[1] + "/com.spotify.Client.desktop");
    EXPECT_TRUE(SetupProbes::spotifyInstalledIn(folders));

    // The pretty name follows the quoting of os-release.
    const std::pair<const char *, const char *> rows[]
        = {{"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
            "Debian GNU/Linux 12 (bookworm)"},
           {"PRETTY_NAME='Arch $Linux'\n", "Arch $Linux"},
           {"PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
           {"PRETTY_NAME=Gentoo\n", "Gentoo"},
           {"NAME=x\n# PRETTY_NAME=y\n", ""}};
    for (const auto &[text, name] : rows)
        EXPECT_EQ(LinuxSystemInfo::prettyNameOf(text), name) << text;

    const QString calendars = root.filePath("evolution/calendar");
    const auto access
        = [&] { return EvolutionCalendarStore::storeAccess(calendars, "calendar.ics"); };
    EXPECT_EQ(access(), Access::notDetermined);
    // A source folder without its file is not a store.
    QDir().mkpath(calendars + "/system");
    EXPECT_EQ(access(), Access::notDetermined);
    writeFile(calendars + "/system/calendar.ics");
    EXPECT_EQ(access(), Access::granted);

    QFile store(calendars + "/system/calendar.ics");
    store.setPermissions(QFileDevice::Permissions());
    if (store.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running as a user who reads every file";
    EXPECT_EQ(access(), Access::denied);
}

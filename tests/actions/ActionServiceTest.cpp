#include "actions/ServiceFixture.h"
#include "actions/ShortcutsTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

namespace {

const QString kStopped = "Focus · stopped";
const QString kComplete = "Focus · session complete";

ToolResult exited(int status)
{
    ToolResult r;
    r.started = true;
    r.exitStatus = status;
    return r;
}

QStringList shortcutRuns(const FakeToolRunner &tools)
{
    QStringList names;
    for (const FakeToolRunner::Call &call : tools.calls) {
        if (!call.detached && call.arguments.value(0) == "run")
            names << call.arguments.value(1);
    }
    return names;
}

class Focus : public ServiceFixture
{
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        tools.handler = [](const QString &, const QStringList &) { return exited(0); };
    }
};

TEST_F(Focus, ShowsTheFullTimeAtOnceCountsDownToTheLastSecondThenCompletes)
{
    // An uptime at which now + 1500 - now comes out a hair over 1500 in floating point.
    clock.setUptime(551.3);
    service->toggleFocus();
    EXPECT_TRUE(service->focusActive());
    EXPECT_EQ(service->focusLabel(), "25:00");
    EXPECT_EQ(service->lastStatus(), "Focus · 25 min started");
    EXPECT_EQ(cues, (QList<QPair<SoundCue, float>>{{SoundCue::select, 1.0f}}));

    const std::pair<double, const char *> ticks[] = {{1.4, "24:59"}, {1499.5 - 1.4, "0:01"}};
    for (const auto &[seconds, label] : ticks) {
        clock.advance(seconds);
        service->focusTick();
        EXPECT_EQ(service->focusLabel(), label);
    }
    EXPECT_TRUE(service->focusActive());
    EXPECT_TRUE(toasts.isEmpty());

    clock.advance(0.5);
    service->focusTick();
    EXPECT_FALSE(service->focusActive());
    EXPECT_FALSE(service->focusEndsAt());
    EXPECT_EQ(service->focusLabel(), "25 MIN");
    EXPECT_EQ(service->lastStatus(), kComplete);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kComplete);
    EXPECT_TRUE(toasts[0].message.isEmpty());
    EXPECT_EQ(log.lines.last(), "Vantle: " + kComplete);
    // The timer's next tick finds nothing to do.
    service->focusTick();
    EXPECT_EQ(toasts.size(), 1);
}

TEST_F(Focus, ToggledTwiceStopsAndTogglesDoNotDisturbTwice)
{
    // Stopping without a session leaves Do Not Disturb alone.
    service->stopFocus(true);
    service->stopFocus(false);
    EXPECT_TRUE(toasts.isEmpty());
    EXPECT_EQ(service->lastStatus(), "Ready");
    EXPECT_TRUE(tools.calls.isEmpty());

    service->toggleFocus();
    service->toggleFocus();
    EXPECT_FALSE(service->focusActive());
    EXPECT_EQ(service->focusLabel(), "25 MIN");
    EXPECT_EQ(service->lastStatus(), kStopped);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kStopped);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->pendingDoNotDisturbToggles() == 0; }, kWaitMs));
    EXPECT_EQ(shortcutRuns(tools), QStringList({"Toggle Focus", "Toggle Focus"}));
    EXPECT_EQ(tools.calls[0].program, "/opt/vantle/vantle-shortcuts");
}

TEST_F(Focus, ShortcutsRunOffTheMainThreadOneAfterTheOther)
{
    // The first Shortcut hangs until the test lets it go. Run on the main thread it would
    // hold the toggle itself for the whole wait.
    QSemaphore release;
    QList<bool> onMainThread;
    tools.handler = [&](const QString &, const QStringList &) {
        onMainThread << (QThread::currentThread() == QCoreApplication::instance()->thread());
        if (onMainThread.size() == 1)
            release.tryAcquire(1, kWaitMs);
        return exited(0);
    };
    QSignalSpy toggled(service.get(), &HUDActionService::doNotDisturbToggled);
    service->toggleFocus();
    EXPECT_EQ(service->focusLabel(), "25:00");
    service->toggleFocus();
    EXPECT_EQ(service->lastStatus(), kStopped);
    EXPECT_EQ(service->pendingDoNotDisturbToggles(), 2);
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return toggled.size() == 2; }, kWaitMs));
    EXPECT_EQ(onMainThread, QList<bool>({false, false}));
    EXPECT_TRUE(toggled[0][0].toBool());
}

TEST(DoNotDisturb, FallsBackToTheSecondShortcutOnlyWhenTheFirstFails)
{
    const QStringList both{"Toggle Focus", "Toggle Do Not Disturb"};
    // Runs; cannot start the first at all; both run and fail.
    const std::tuple<std::function<ToolResult(const QString &, const QStringList &)>, bool,
                     QStringList>
        rows[] = {{[](const QString &, const QStringList &) { return exited(0); }, true, {both[0]}},
                  {[](const QString &, const QStringList &a) {
                       return a[1] == "Toggle Focus" ? ToolResult{} : exited(0);
                   },
                   true, both},
                  {[](const QString &, const QStringList &) { return exited(1); }, false, both}};
    for (const auto &[handler, toggled, runs] : rows) {
        FakeToolRunner tools;
        tools.handler = handler;
        EXPECT_EQ(ShortcutsTool::toggleDoNotDisturb(tools, "vantle-shortcuts"), toggled);
        EXPECT_EQ(shortcutRuns(tools), runs);
    }
}

using Clipboard = ServiceFixture;

TEST_F(Clipboard, StagingAnEmptyClipboardLeavesItUntouchedAndTheReadoutTellsNonTextFromEmpty)
{
    for (const std::optional<QString> &text :
         {std::optional<QString>(), std::optional(QString())}) {
        pasteboard.text = text;
        const qint64 before = pasteboard.count;
        service->stagePrompt();
        EXPECT_EQ(pasteboard.count, before);
        EXPECT_TRUE(pasteboard.written.isEmpty());
        EXPECT_EQ(service->lastStatus() + " | " + toasts.last().title,
                  "Clipboard empty — copy text first | Clipboard empty — copy text first");
    }
    for (const auto &[types, status] :
         {std::pair{QStringList{"image/png"}, "Clipboard · non-text content"},
          {QStringList{}, "Clipboard empty"}}) {
        pasteboard.externalCopyOther(types);
        service->showClipboard();
        EXPECT_EQ(service->lastStatus() + " | " + toasts.last().title + " | " + log.lines.last(),
                  QString(status) + " | " + status + " | Vantle: " + status);
    }
}

TEST_F(Clipboard, StagingWrapsTheTextAsAPromptAndNoLogLineCarriesTheText)
{
    pasteboard.externalCopy("  why does the build fail?\n");
    service->showClipboard();
    service->stagePrompt();
    service->showClipboard();
    EXPECT_EQ(pasteboard.written, QStringList{"[Kaidro prompt]\n  why does the build fail?\n"});
    EXPECT_EQ(toasts[0].message, "  why does the build fail?\n");
    EXPECT_EQ(toasts[1].title, "Staged clipboard as prompt");
    EXPECT_EQ(toasts[1].message, "Paste into Cursor or run when AI loop is on.");
    EXPECT_EQ(
        log.lines,
        QStringList(
            {"Vantle: Clipboard",
             "Vantle: Staged clipboard as prompt — Paste into Cursor or run when AI loop is on.",
             "Vantle: Clipboard"}));
    EXPECT_FALSE(logMentions("build"));
}

TEST_F(Clipboard, ReadoutShows280CharactersWholeAndCuts281)
{
    for (const auto &[length, shown] :
         {std::pair{280, QString(280, 'b')}, std::pair{281, QString(280, 'b') + "…"}}) {
        pasteboard.externalCopy(QString(length, 'b'));
        service->showClipboard();
        EXPECT_EQ(service->lastStatus(), "Clipboard · " + QString::number(length) + " chars");
        EXPECT_EQ(toasts.last().title + " | " + toasts.last().message, "Clipboard | " + shown);
    }
    EXPECT_EQ(cues.size(), 2);

    // Each emoji is two UTF-16 units, each accented letter two code points: cutting by units
    // would count wrong and leave half an emoji at the end.
    const QString emoji = QStringLiteral("😀").repeated(281);
    pasteboard.externalCopy(emoji);
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), "Clipboard · 281 chars");
    EXPECT_EQ(toasts.last().message, emoji.left(560) + "…");
    const QString accented = "e\u0301";
    EXPECT_EQ(HUDActionService::characterCount(accented.repeated(3)), 3);
    EXPECT_EQ(HUDActionService::preview(accented.repeated(3), 2), accented.repeated(2) + "…");
    EXPECT_EQ(HUDActionService::preview(accented.repeated(2), 2), accented.repeated(2));
}

using Opening = ServiceFixture;

TEST_F(Opening, KnownNameOpensThroughItsDesktopEntryAndAlternativesAreTriedInOrder)
{
    workspace.openable = {"com.googlecode.iterm2"};
    EXPECT_TRUE(service->openApp("iTerm"));
    EXPECT_EQ(workspace.attempts, QStringList{"com.googlecode.iterm2"});
    EXPECT_EQ(service->lastStatus(), "Opened iTerm");
    EXPECT_TRUE(toasts.isEmpty());
    EXPECT_EQ(cues.size(), 1);

    workspace.installed = {LaunchWorkspace::app("code", "Visual Studio Code")};
    workspace.openable = {workspace.installed[0].desktopFile};
    EXPECT_TRUE(service->openApp("Cursor", {"Visual Studio Code"}, false));
    EXPECT_EQ(service->lastStatus(), "Opened Visual Studio Code");
    EXPECT_EQ(cues.size(), 1);
}

TEST_F(Opening, NothingFoundNamesTheFirstNameWithATypographicApostrophe)
{
    workspace.installed = {LaunchWorkspace::app("gimp", "GIMP")};
    const QString expected = "Couldn\u2019t find Cursor";
    EXPECT_FALSE(service->openApp("Cursor", {"Visual Studio Code", "Zed"}));
    EXPECT_EQ(service->lastStatus(), expected);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, expected);
    EXPECT_EQ(log.lines, QStringList{"Vantle: " + expected});
    EXPECT_TRUE(tools.calls.isEmpty());
}

TEST_F(Opening, ProjectsOpensTheFirstProjectFolderThereIsElseHome)
{
    const QDir home(dir.filePath("home"));
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(), QUrl::fromLocalFile(home.absolutePath()));
    EXPECT_EQ(service->lastStatus(), "Opened " + home.absolutePath());

    home.mkpath("repos");
    home.mkpath("Developer");
    QFile notAFolder(home.filePath("Projects"));
    notAFolder.open(QIODevice::WriteOnly);
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(), QUrl::fromLocalFile(home.filePath("Developer")));
    // The status never claims a folder opened when the desktop refused it.
    workspace.urlsOpen = false;
    service->openProjects();
    EXPECT_EQ(service->lastStatus(), "Couldn\u2019t open " + home.filePath("Developer"));
}

TEST_F(Opening, BatterySettingsOpenTheCurrentDesktopsPowerSettingsElseLogALine)
{
    service->openBatterySettings();
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_EQ(service->lastStatus(), "Battery settings");

    const QDir bin(dir.filePath("bin"));
    for (const char *name : {"gnome-control-center", "xfce4-power-manager-settings"}) {
        QFile file(bin.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    HUDActionService::Options o = options();
    o.currentDesktop = "xfce";
    make(o);
    service->openBatterySettings();
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, bin.filePath("xfce4-power-manager-settings"));
    // On a desktop without its own, the first one found serves.
    o.currentDesktop = "openbox";
    make(o);
    service->openBatterySettings();
    EXPECT_EQ(tools.calls.last().arguments, QStringList{"power"});
}

} // namespace

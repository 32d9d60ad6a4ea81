#include "actions/ServiceFixture.h"
#include "actions/ShortcutsTool.h"

#include <QCoreApplication>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

namespace {

const QString kStopped = QStringLiteral("Focus · stopped");
const QString kComplete = QStringLiteral("Focus · session complete");

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
        if (!call.detached && call.arguments.value(0) == QLatin1String("run"))
            names << call.arguments.value(1);
    }
    return names;
}

using Focus = ServiceFixture;

TEST_F(Focus, StartingShowsTheFullTimeAtOnce)
{
    // An uptime at which now + 1500 - now comes out a hair over 1500 in floating point.
    clock.setUptime(551.3);
    tools.handler = [](const QString &, const QStringList &) { return exited(0); };

    service->toggleFocus();

    EXPECT_TRUE(service->focusActive());
    EXPECT_EQ(service->focusLabel(), QStringLiteral("25:00"));
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Focus · 25 min started"));
    EXPECT_EQ(
        cues,
        (QList<std::pair<CoreSoundEngine::Cue, float>>{{CoreSoundEngine::Cue::select, 1.0f}}));
    EXPECT_TRUE(toasts.isEmpty());
}

TEST_F(Focus, CountsDownToTheLastSecondThenCompletes)
{
    tools.handler = [](const QString &, const QStringList &) { return exited(0); };
    service->toggleFocus();

    clock.advance(1.4);
    service->focusTick();
    EXPECT_EQ(service->focusLabel(), QStringLiteral("24:59"));

    clock.advance(1499.5 - 1.4);
    service->focusTick();
    EXPECT_EQ(service->focusLabel(), QStringLiteral("0:01"));
    EXPECT_TRUE(service->focusActive());
    EXPECT_TRUE(toasts.isEmpty());

    clock.advance(0.5);
    service->focusTick();
    EXPECT_FALSE(service->focusActive());
    EXPECT_FALSE(service->focusEndsAt());
    EXPECT_EQ(service->focusLabel(), QStringLiteral("25 MIN"));
    EXPECT_EQ(service->lastStatus(), kComplete);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kComplete);
    EXPECT_TRUE(toasts[0].message.isEmpty());
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vantle: ") + kComplete);

    // The timer's next tick finds nothing to do.
    service->focusTick();
    EXPECT_EQ(toasts.size(), 1);
}

TEST_F(Focus, ToggledTwiceStopsAndTogglesDoNotDisturbTwice)
{
    tools.handler = [](const QString &, const QStringList &) { return exited(0); };
    service->toggleFocus();
    service->toggleFocus();

    EXPECT_FALSE(service->focusActive());
    EXPECT_EQ(service->focusLabel(), QStringLiteral("25 MIN"));
    EXPECT_EQ(service->lastStatus(), kStopped);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kStopped);

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->pendingDoNotDisturbToggles() == 0; }, kWaitMs));
    EXPECT_EQ(shortcutRuns(tools),
              QStringList({QStringLiteral("Toggle Focus"), QStringLiteral("Toggle Focus")}));
    EXPECT_EQ(tools.calls[0].program, QStringLiteral("/opt/vantle/vantle-shortcuts"));
}

TEST_F(Focus, StoppingWithoutASessionLeavesDoNotDisturbAlone)
{
    service->stopFocus(true);
    service->stopFocus(false);
    EXPECT_TRUE(toasts.isEmpty());
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Ready"));
    EXPECT_EQ(service->pendingDoNotDisturbToggles(), 0);
    EXPECT_TRUE(tools.calls.isEmpty());
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
    EXPECT_EQ(service->focusLabel(), QStringLiteral("25:00"));
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
    FakeToolRunner tools;
    const QString program = QStringLiteral("vantle-shortcuts");
    const QStringList both{QStringLiteral("Toggle Focus"), QStringLiteral("Toggle Do Not Disturb")};

    tools.handler = [](const QString &, const QStringList &) { return exited(0); };
    EXPECT_TRUE(ShortcutsTool::toggleDoNotDisturb(tools, program));
    EXPECT_EQ(shortcutRuns(tools), QStringList{both[0]});

    // Could not start at all.
    tools.calls.clear();
    tools.handler = [](const QString &, const QStringList &args) {
        return args[1] == QLatin1String("Toggle Focus") ? ToolResult{} : exited(0);
    };
    EXPECT_TRUE(ShortcutsTool::toggleDoNotDisturb(tools, program));
    EXPECT_EQ(shortcutRuns(tools), both);

    // Ran and failed; the second attempt fails too.
    tools.calls.clear();
    tools.handler = [](const QString &, const QStringList &) { return exited(1); };
    EXPECT_FALSE(ShortcutsTool::toggleDoNotDisturb(tools, program));
    EXPECT_EQ(shortcutRuns(tools), both);
}

using Clipboard = ServiceFixture;

TEST_F(Clipboard, StagingAnEmptyClipboardLeavesItUntouched)
{
    for (const std::optional<QString> &text :
         {std::optional<QString>(), std::optional(QString())}) {
        pasteboard.text = text;
        const qint64 before = pasteboard.count;
        service->stagePrompt();
        EXPECT_EQ(pasteboard.count, before);
        EXPECT_TRUE(pasteboard.written.isEmpty());
        EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard empty — copy text first"));
        EXPECT_EQ(toasts.last().title, QStringLiteral("Clipboard empty — copy text first"));
    }
}

TEST_F(Clipboard, StagingWrapsTheTextAsAPromptAndKeepsItOutOfTheLog)
{
    pasteboard.externalCopy(QStringLiteral("  why does the build fail?\n"));
    service->stagePrompt();

    EXPECT_EQ(pasteboard.written,
              QStringList{QStringLiteral("[Kaidro prompt]\n  why does the build fail?\n")});
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Staged clipboard as prompt"));
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].message, QStringLiteral("Paste into Cursor or run when AI loop is on."));
    EXPECT_EQ(log.lines,
              QStringList{QStringLiteral("Vantle: Staged clipboard as prompt — Paste into Cursor "
                                         "or run when AI loop is on.")});
}

TEST_F(Clipboard, ReadoutShows280CharactersWholeAndCuts281)
{
    pasteboard.externalCopy(QString(280, QLatin1Char('a')));
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard · 280 chars"));
    EXPECT_EQ(toasts.last().title, QStringLiteral("Clipboard"));
    EXPECT_EQ(toasts.last().message, QString(280, QLatin1Char('a')));

    pasteboard.externalCopy(QString(281, QLatin1Char('b')));
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard · 281 chars"));
    EXPECT_EQ(toasts.last().message, QString(280, QLatin1Char('b')) + QStringLiteral("…"));
    EXPECT_EQ(cues.size(), 2);
}

TEST_F(Clipboard, ReadoutCountsAndCutsWholeCharacters)
{
    // Each emoji is two UTF-16 units, each accented letter two code points: cutting by units
    // would count wrong and leave half an emoji at the end.
    const QString emoji = QStringLiteral("😀");
    QString text;
    for (int i = 0; i < 281; ++i)
        text += emoji;
    pasteboard.externalCopy(text);
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard · 281 chars"));
    EXPECT_EQ(toasts.last().message, text.left(560) + QStringLiteral("…"));

    const QString accented = QStringLiteral("e\u0301");
    EXPECT_EQ(HUDActionService::characterCount(accented.repeated(3)), 3);
    EXPECT_EQ(HUDActionService::preview(accented.repeated(3), 2),
              accented.repeated(2) + QStringLiteral("…"));
    EXPECT_EQ(HUDActionService::preview(accented.repeated(2), 2), accented.repeated(2));
}

TEST_F(Clipboard, NoLogLineEverCarriesTheClipboardText)
{
    const QString secret = QStringLiteral("correct horse battery staple");
    pasteboard.externalCopy(secret);
    service->showClipboard();
    service->stagePrompt();
    service->showClipboard();

    EXPECT_EQ(toasts[0].message, secret);
    EXPECT_FALSE(logMentions(QStringLiteral("horse")));
    EXPECT_EQ(log.lines.first(), QStringLiteral("Vantle: Clipboard"));
}

TEST_F(Clipboard, ReadoutTellsNonTextFromEmpty)
{
    pasteboard.externalCopyOther({QStringLiteral("image/png")});
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard · non-text content"));
    EXPECT_EQ(toasts.last().title, QStringLiteral("Clipboard · non-text content"));

    pasteboard.externalCopyOther({});
    service->showClipboard();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Clipboard empty"));
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vantle: Clipboard empty"));
}

using Opening = ServiceFixture;

TEST_F(Opening, KnownNameOpensThroughItsDesktopEntryWithoutAToast)
{
    workspace.openable = {QStringLiteral("com.googlecode.iterm2")};
    EXPECT_TRUE(service->openApp(QStringLiteral("iTerm")));
    EXPECT_EQ(workspace.attempts, QStringList{QStringLiteral("com.googlecode.iterm2")});
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Opened iTerm"));
    EXPECT_TRUE(toasts.isEmpty());
    EXPECT_EQ(cues.size(), 1);
}

TEST_F(Opening, NothingFoundNamesTheFirstNameWithATypographicApostrophe)
{
    workspace.installed = {LaunchWorkspace::app(QStringLiteral("gimp"), QStringLiteral("GIMP"))};
    const QString expected = QStringLiteral("Couldn\u2019t find Cursor");

    EXPECT_FALSE(service->openApp(QStringLiteral("Cursor"),
                                  {QStringLiteral("Visual Studio Code"), QStringLiteral("Zed")}));
    EXPECT_EQ(service->lastStatus(), expected);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, expected);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("Vantle: ") + expected});
    EXPECT_TRUE(tools.calls.isEmpty());
}

TEST_F(Opening, AlternativesAreTriedInOrderAndTheOneThatOpenedIsNamed)
{
    workspace.installed
        = {LaunchWorkspace::app(QStringLiteral("code"), QStringLiteral("Visual Studio Code"))};
    workspace.openable = {workspace.installed[0].desktopFile};

    EXPECT_TRUE(
        service->openApp(QStringLiteral("Cursor"), {QStringLiteral("Visual Studio Code")}, false));
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Opened Visual Studio Code"));
    EXPECT_TRUE(cues.isEmpty());
}

TEST_F(Opening, ProjectsOpensTheFirstProjectFolderThereIsElseHome)
{
    const QDir home(dir.filePath(QStringLiteral("home")));
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(), QUrl::fromLocalFile(home.absolutePath()));
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Opened ") + home.absolutePath());

    home.mkpath(QStringLiteral("repos"));
    home.mkpath(QStringLiteral("Developer"));
    QFile notAFolder(home.filePath(QStringLiteral("Projects")));
    notAFolder.open(QIODevice::WriteOnly);
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(),
              QUrl::fromLocalFile(home.filePath(QStringLiteral("Developer"))));

    // The status never claims a folder opened when the desktop refused it.
    workspace.urlsOpen = false;
    service->openProjects();
    EXPECT_EQ(service->lastStatus(),
              QStringLiteral("Couldn\u2019t open ") + home.filePath(QStringLiteral("Developer")));
}

TEST_F(Opening, BatterySettingsOpenTheCurrentDesktopsPowerSettingsElseLogALine)
{
    service->openBatterySettings();
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Battery settings"));

    const QDir bin(dir.filePath(QStringLiteral("bin")));
    for (const char *name : {"gnome-control-center", "xfce4-power-manager-settings"}) {
        QFile file(bin.filePath(QLatin1String(name)));
        file.open(QIODevice::WriteOnly);
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    HUDActionService::Options o = options();
    o.currentDesktop = QStringLiteral("xfce");
    make(o);
    service->openBatterySettings();
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, bin.filePath(QStringLiteral("xfce4-power-manager-settings")));

    // On a desktop without its own, the first one found serves.
    o.currentDesktop = QStringLiteral("openbox");
    make(o);
    service->openBatterySettings();
    EXPECT_EQ(tools.calls.last().arguments, QStringList{QStringLiteral("power")});
}

} // namespace

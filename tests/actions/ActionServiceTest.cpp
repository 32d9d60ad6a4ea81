#include "actions/ServiceFixture.h"
#include "actions/ShortcutsTool.h"
#include "support/TestHelpers.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

namespace {

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
    QString state() const { return service->focusLabel() + " | " + service->lastStatus(); }
};

TEST_F(Focus, CountsDownToTheLastSecondCompletesAndTogglesDoNotDisturbOffTheMainThread)
{
    // Stopping without a session leaves Do Not Disturb alone.
    service->stopFocus(true);
    service->stopFocus(false);
    EXPECT_TRUE(toasts.isEmpty() && tools.calls.isEmpty());

    tools.handler = [](const QString &, const QStringList &) { return exited(0); };
    // An uptime at which now + 1500 - now comes out a hair over 1500 in floating point.
    clock.setUptime(551.3);
    service->toggleFocus();
    EXPECT_EQ(service->focusLabel(), "25:00");
    for (const auto &[seconds, label] : {std::pair{1.4, "24:59"}, {1499.5 - 1.4, "0:01"}}) {
        clock.advance(seconds);
        service->focusTick();
        EXPECT_EQ(service->focusLabel(), label);
    }
    EXPECT_TRUE(service->focusActive());
    EXPECT_TRUE(toasts.isEmpty());
    clock.advance(0.5);
    service->focusTick();
    service->focusTick(); // the timer's next tick finds nothing to do
    EXPECT_FALSE(service->focusActive());
    EXPECT_EQ(state(), "25 MIN | Focus · session complete");

    // Toggled twice while the first Shortcut hangs: on the main thread it would hold the toggle.
    ASSERT_TRUE(waitFor([&] { return service->pendingDoNotDisturbToggles() == 0; }));
    tools.calls.clear();
    toasts.clear();
    QSemaphore release;
    QList<bool> onMainThread;
    tools.handler = [&](const QString &, const QStringList &) {
        onMainThread << (QThread::currentThread() == QCoreApplication::instance()->thread());
        if (onMainThread.size() == 1)
            release.tryAcquire(1, 15000);
        return exited(0);
    };
    QSignalSpy toggled(service.get(), &HUDActionService::doNotDisturbToggled);
    service->toggleFocus();
    service->toggleFocus();
    EXPECT_FALSE(service->focusActive());
    EXPECT_EQ(state(), "25 MIN | Focus · stopped");
    EXPECT_EQ(service->pendingDoNotDisturbToggles(), 2);
    release.release();
    ASSERT_TRUE(waitFor([&] { return toggled.size() == 2; }));
    EXPECT_EQ(onMainThread, QList<bool>({false, false}));
    EXPECT_TRUE(toggled[0][0].toBool());
    EXPECT_EQ(shortcutRuns(tools), QStringList({"Toggle Focus", "Toggle Focus"}));
}

TEST(DoNotDisturb, FallsBackToTheSecondShortcutOnlyWhenTheFirstFails)
{
    const QStringList both{"Toggle Focus", "Toggle Do Not Disturb"}, focus{both[0]};
    // The exit statuses of the two Shortcuts; -1: the tool could not start at all.
    const struct Case
    {
        int first, second;
        bool toggled;
        QStringList runs;
    } cases[] = {{0, 0, true, focus}, {-1, 0, true, both},  {1, 0, true, both},
                 {1, 1, false, both}, {-1, 1, false, both}, {-1, -1, false, both}};
    for (const Case &c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.first).arg(c.second).toStdString());
        FakeToolRunner tools;
        tools.handler = [&](const QString &, const QStringList &a) {
            const int status = a[1] == both[0] ? c.first : c.second;
            return status < 0 ? ToolResult{} : exited(status);
        };
        EXPECT_EQ(ShortcutsTool::toggleDoNotDisturb(tools, "vantle-shortcuts"), c.toggled);
        EXPECT_EQ(shortcutRuns(tools), c.runs);
    }
}

using Clipboard = ServiceFixture;

TEST_F(Clipboard, StagingAnEmptyClipboardLeavesItUntouchedAndTheReadoutTellsNonTextFromEmpty)
{
    const QString empty = "Clipboard empty — copy text first";
    for (const std::optional<QString> &text :
         {std::optional<QString>(), std::optional(QString())}) {
        pasteboard.text = text;
        service->stagePrompt();
        EXPECT_EQ(pasteboard.count, 0);
        EXPECT_EQ(service->lastStatus() + " | " + toasts.last().title, empty + " | " + empty);
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
    const QString text = "  why does the build fail?\n";
    const QString staged
        = "Staged clipboard as prompt | Paste into Cursor or run when AI loop is on.";
    pasteboard.externalCopy(text);
    service->showClipboard();
    service->stagePrompt();
    service->showClipboard();
    EXPECT_EQ(pasteboard.written, QStringList{"[Kaidro prompt]\n" + text});
    EXPECT_EQ(shown().mid(0, 2), QStringList({"Clipboard | " + text, staged}));
    EXPECT_EQ(log.lines,
              QStringList({"Vantle: Clipboard", "Vantle: " + QString(staged).replace(" | ", " — "),
                           "Vantle: Clipboard"}));
}

TEST_F(Clipboard, AMarkedSecretIsNeitherStagedNorShown)
{
    const QString alone
        = "Clipboard holds a secret | The clipboard holds a secret, so it was left alone.";
    for (const char *marker : {"x-kde-passwordManagerHint", "org.nspasteboard.ConcealedType"}) {
        pasteboard.externalCopy("hunter2", {marker});
        service->stagePrompt();
        service->showClipboard();
        EXPECT_TRUE(pasteboard.written.isEmpty());
        EXPECT_EQ(pasteboard.plainTextReads, 0);
        EXPECT_EQ(shown().mid(0, 2), QStringList({alone, alone}));
        EXPECT_EQ(service->lastStatus(), "Clipboard holds a secret");
        toasts.clear();
    }
}

// Counted and cut by what a reader sees: an emoji is two UTF-16 units, an accented e two points.
TEST_F(Clipboard, ReadoutShows280CharactersWholeAndCuts281)
{
    const QString b280(280, 'b'), emoji = QStringLiteral("😀"), accented = "e\u0301";
    for (const auto &[text, length, message] :
         {std::tuple{b280, 280, b280},
          {b280 + "b", 281, b280 + "…"},
          {emoji.repeated(281), 281, emoji.repeated(280) + "…"}}) {
        pasteboard.externalCopy(text);
        service->showClipboard();
        EXPECT_EQ(service->lastStatus(), "Clipboard · " + QString::number(length) + " chars");
        EXPECT_EQ(toasts.last().title + " | " + toasts.last().message, "Clipboard | " + message);
    }
    EXPECT_EQ(feedback.cues.size(), 3);
    EXPECT_EQ(HUDActionService::characterCount(accented.repeated(3)), 3);
    EXPECT_EQ(HUDActionService::preview(accented.repeated(3), 2), accented.repeated(2) + "…");
    EXPECT_EQ(HUDActionService::preview(accented.repeated(2), 2), accented.repeated(2));
}

using Opening = ServiceFixture;

TEST_F(Opening, KnownNamesAndAlternativesOpenInOrderAndNothingFoundNamesTheFirst)
{
    workspace.openable = {"com.googlecode.iterm2"};
    EXPECT_TRUE(service->openApp("iTerm"));
    workspace.installed = {FakeWorkspace::installedApp("code", "Visual Studio Code")};
    workspace.openable = {workspace.installed[0].desktopFile};
    EXPECT_TRUE(service->openApp("Cursor", {"Visual Studio Code"}, false));
    // The second asked for silence.
    EXPECT_EQ(std::tuple(service->lastStatus(), feedback.cues.size(), toasts.size()),
              std::tuple("Opened Visual Studio Code", 1, 0));

    workspace.installed = {FakeWorkspace::installedApp("gimp", "GIMP")};
    EXPECT_FALSE(service->openApp("Cursor", {"Visual Studio Code", "Zed"}));
    EXPECT_EQ(shown(), QStringList{"Couldn\u2019t find Cursor | "}); // a typographic apostrophe
    EXPECT_TRUE(tools.calls.isEmpty());
}

TEST_F(Opening, BatterySettingsFollowTheDesktopAndProjectsTheFirstProjectFolderElseHome)
{
    service->openBatterySettings();
    EXPECT_TRUE(tools.calls.isEmpty());

    const QDir bin(dir.filePath("bin"));
    for (const char *name : {"gnome-control-center", "xfce4-power-manager-settings"})
        writeFile(bin.filePath(name), {}, QFile::ReadOwner | QFile::ExeOwner);
    make([](Options &o) { o.currentDesktop = "xfce"; });
    service->openBatterySettings();
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, bin.filePath("xfce4-power-manager-settings"));
    // On a desktop without its own, the first one found serves.
    make();
    service->openBatterySettings();
    EXPECT_EQ(tools.calls.last().arguments, QStringList{"power"});

    const QDir home(dir.path());
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(), QUrl::fromLocalFile(home.absolutePath()));

    home.mkpath("repos");
    home.mkpath("Developer");
    writeFile(home.filePath("Projects")); // a file, not a folder
    service->openProjects();
    EXPECT_EQ(workspace.openedURLs.last(), QUrl::fromLocalFile(home.filePath("Developer")));
    // The status never claims a folder opened when the desktop refused it.
    workspace.urlsOpen = false;
    service->openProjects();
    EXPECT_EQ(service->lastStatus(), "Couldn\u2019t open " + home.filePath("Developer"));
}

} // namespace

#include "actions/AppLauncher.h"

#include "actions/LaunchWorkspace.h"
#include "fakes/FakeToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class Launcher : public ::testing::Test
{
protected:
    QTemporaryDir bin;
    LaunchWorkspace workspace;
    FakeToolRunner tools;

    AppLauncher launcher(bool restricted = false)
    {
        return AppLauncher(workspace, tools, restricted, {bin.path()});
    }

    // Puts a program on the search path.
    QString install(const QString &name)
    {
        const QString path = QDir(bin.path()).filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

TEST_F(Launcher, KnownNameTriesItsEntriesInOrderUntilOneOpens)
{
    workspace.openable = {"org.kde.plasma-systemmonitor"};

    EXPECT_TRUE(launcher().launch("Activity Monitor"));
    EXPECT_EQ(workspace.attempts,
              QStringList({"com.apple.ActivityMonitor", "org.gnome.SystemMonitor",
                           "gnome-system-monitor", "org.kde.plasma-systemmonitor"}));
    EXPECT_TRUE(tools.calls.isEmpty());
}

TEST_F(Launcher, TerminalPrefersTheDesktopsDefaultTerminal)
{
    const QString path = install("x-terminal-emulator");
    workspace.openable = {"org.gnome.Terminal"};

    EXPECT_TRUE(launcher().launch("Terminal"));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);
    EXPECT_TRUE(tools.calls[0].detached);
    EXPECT_TRUE(workspace.attempts.isEmpty());
}

TEST(LauncherMatch, ExactNameWinsContainingIsCaseInsensitiveAndRepeatable)
{
    const QList<InstalledApp> code{LaunchWorkspace::app("code-oss", "Code - OSS"),
                                   LaunchWorkspace::app("code", "code")};
    EXPECT_EQ(AppLauncher::match(code, "Code")->id, "code");
    // The desktop hands entries over in any order; the same one must win every time.
    QList<InstalledApp> installed{LaunchWorkspace::app("firefox-esr", "Firefox ESR"),
                                  LaunchWorkspace::app("firefox-dev", "Firefox Developer")};
    EXPECT_EQ(AppLauncher::match(installed, "firefox")->id, "firefox-dev");
    std::reverse(installed.begin(), installed.end());
    EXPECT_EQ(AppLauncher::match(installed, "firefox")->id, "firefox-dev");
    EXPECT_FALSE(AppLauncher::match(installed, "chromium"));
    // Every name contains the empty one.
    EXPECT_FALSE(AppLauncher::match(installed, QString()));
}

TEST_F(Launcher, ProgramOnThePathComesLastUnderItsUsualSpelling)
{
    const QString path = install("google-chrome");
    workspace.installed = {LaunchWorkspace::app("firefox", "Firefox")};

    EXPECT_TRUE(launcher().launch("Google Chrome"));
    // The table's entries were tried first.
    EXPECT_EQ(workspace.attempts, QStringList({"com.google.Chrome", "google-chrome"}));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);
}

TEST_F(Launcher, NamesThatAreReallyPathsNeverRun)
{
    install("tool");
    QDir(bin.path()).mkdir("sub");
    install("sub/tool");

    EXPECT_FALSE(launcher().launch("sub/tool"));
    EXPECT_FALSE(launcher().launch(QStringLiteral("../") + QDir(bin.path()).dirName()
                                   + QStringLiteral("/tool")));
    EXPECT_FALSE(launcher().launch("/bin/sh"));
    EXPECT_TRUE(tools.calls.isEmpty());
}

} // namespace

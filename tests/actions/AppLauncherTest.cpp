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
    workspace.openable = {QStringLiteral("org.kde.plasma-systemmonitor")};

    EXPECT_TRUE(launcher().launch(QStringLiteral("Activity Monitor")));
    EXPECT_EQ(workspace.attempts,
              QStringList({QStringLiteral("com.apple.ActivityMonitor"),
                           QStringLiteral("org.gnome.SystemMonitor"),
                           QStringLiteral("gnome-system-monitor"),
                           QStringLiteral("org.kde.plasma-systemmonitor")}));
    EXPECT_TRUE(tools.calls.isEmpty());
}

TEST_F(Launcher, TerminalPrefersTheDesktopsDefaultTerminal)
{
    const QString path = install(QStringLiteral("x-terminal-emulator"));
    workspace.openable = {QStringLiteral("org.gnome.Terminal")};

    EXPECT_TRUE(launcher().launch(QStringLiteral("Terminal")));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);
    EXPECT_TRUE(tools.calls[0].detached);
    EXPECT_TRUE(workspace.attempts.isEmpty());
}

TEST(LauncherMatch, ExactNameWinsOverOneThatOnlyContainsIt)
{
    const QList<InstalledApp> installed{
        LaunchWorkspace::app(QStringLiteral("code-oss"), QStringLiteral("Code - OSS")),
        LaunchWorkspace::app(QStringLiteral("code"), QStringLiteral("code")),
    };
    EXPECT_EQ(AppLauncher::match(installed, QStringLiteral("Code"))->id, QStringLiteral("code"));
}

TEST(LauncherMatch, ContainingIsCaseInsensitiveAndRepeatable)
{
    // The desktop hands entries over in any order; the same one must win every time.
    QList<InstalledApp> installed{
        LaunchWorkspace::app(QStringLiteral("firefox-esr"), QStringLiteral("Firefox ESR")),
        LaunchWorkspace::app(QStringLiteral("firefox-dev"), QStringLiteral("Firefox Developer")),
    };
    EXPECT_EQ(AppLauncher::match(installed, QStringLiteral("firefox"))->id,
              QStringLiteral("firefox-dev"));
    std::reverse(installed.begin(), installed.end());
    EXPECT_EQ(AppLauncher::match(installed, QStringLiteral("firefox"))->id,
              QStringLiteral("firefox-dev"));
    EXPECT_FALSE(AppLauncher::match(installed, QStringLiteral("chromium")));
    // Every name contains the empty one.
    EXPECT_FALSE(AppLauncher::match(installed, QString()));
}

TEST_F(Launcher, ProgramOnThePathComesLastUnderItsUsualSpelling)
{
    const QString path = install(QStringLiteral("google-chrome"));
    workspace.installed
        = {LaunchWorkspace::app(QStringLiteral("firefox"), QStringLiteral("Firefox"))};

    EXPECT_TRUE(launcher().launch(QStringLiteral("Google Chrome")));
    // The table's entries were tried first.
    EXPECT_EQ(workspace.attempts,
              QStringList({QStringLiteral("com.google.Chrome"), QStringLiteral("google-chrome")}));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);
}

TEST_F(Launcher, NamesThatAreReallyPathsNeverRun)
{
    install(QStringLiteral("tool"));
    QDir(bin.path()).mkdir(QStringLiteral("sub"));
    install(QStringLiteral("sub/tool"));

    EXPECT_FALSE(launcher().launch(QStringLiteral("sub/tool")));
    EXPECT_FALSE(launcher().launch(QStringLiteral("../") + QDir(bin.path()).dirName()
                                   + QStringLiteral("/tool")));
    EXPECT_FALSE(launcher().launch(QStringLiteral("/bin/sh")));
    EXPECT_TRUE(tools.calls.isEmpty());
}

} // namespace

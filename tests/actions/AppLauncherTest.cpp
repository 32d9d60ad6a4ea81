#include "actions/AppLauncher.h"

#include "fakes/FakeToolRunner.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

constexpr auto app = &FakeWorkspace::installedApp;

class Launcher : public ::testing::Test
{
protected:
    QTemporaryDir bin;
    FakeWorkspace workspace;
    FakeToolRunner tools;
    AppLauncher launcher{workspace, tools, {bin.path()}};

    void SetUp() override { workspace.openSucceeds = false; }

    QString install(const QString &name)
    {
        return writeFile(QDir(bin.path()).filePath(name), {},
                         QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

TEST_F(Launcher, KnownNameTriesEntriesInOrderTerminalPrefersTheDefaultExactNameMatchWins)
{
    workspace.openable = {"org.kde.plasma-systemmonitor", "org.gnome.Terminal"};
    EXPECT_TRUE(launcher.launch("Activity Monitor"));
    EXPECT_EQ(workspace.opened,
              QStringList({"com.apple.ActivityMonitor", "org.gnome.SystemMonitor",
                           "gnome-system-monitor", "org.kde.plasma-systemmonitor"}));
    EXPECT_TRUE(tools.calls.isEmpty());

    // The desktop's default terminal comes before the desktops' own.
    workspace.opened.clear();
    const QString path = install("x-terminal-emulator");
    EXPECT_TRUE(launcher.launch("Terminal"));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);
    EXPECT_TRUE(tools.calls[0].detached);
    EXPECT_TRUE(workspace.opened.isEmpty());

    // An exact name wins; containing is case-insensitive, and the same entry wins every time.
    const QList<InstalledApp> code{app("code-oss", "Code - OSS"), app("code", "code")};
    EXPECT_EQ(AppLauncher::match(code, "Code")->id, "code");
    QList<InstalledApp> installed{app("firefox-esr", "Firefox ESR"),
                                  app("firefox-dev", "Firefox Developer")};
    EXPECT_EQ(AppLauncher::match(installed, "firefox")->id, "firefox-dev");
    std::reverse(installed.begin(), installed.end());
    EXPECT_EQ(AppLauncher::match(installed, "firefox")->id, "firefox-dev");
    EXPECT_FALSE(AppLauncher::match(installed, "chromium"));
    EXPECT_FALSE(AppLauncher::match(installed, QString())); // every name contains the empty one
}

TEST_F(Launcher, ProgramOnThePathComesLastUnderItsUsualSpellingAndPathsNeverRun)
{
    const QString path = install("google-chrome");
    workspace.installed = {app("firefox", "Firefox")};
    EXPECT_TRUE(launcher.launch("Google Chrome"));
    EXPECT_EQ(workspace.opened, QStringList({"com.google.Chrome", "google-chrome"}));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, path);

    install("tool");
    install("sub/tool");
    for (const QString &name :
         QStringList{"sub/tool", "../" + QDir(bin.path()).dirName() + "/tool", "/bin/sh"})
        EXPECT_FALSE(launcher.launch(name)) << qPrintable(name);
    EXPECT_EQ(tools.calls.size(), 1);
}

} // namespace

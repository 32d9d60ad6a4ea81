#include "commandbar/LiveCommandSearch.h"

#include "clipboard/ClipboardHistory.h"
#include "commandbar/AppCatalog.h"
#include "hud/HUDCommands.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/AtomicFile.h"
#include "support/TestHelpers.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// The live sources over fakes: what changes after the search was built is what it finds.
class LiveCommandSearchTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeAppPaths paths{dir.path(), QString()};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    HUDNotifications notifications;
    HUDWidgetSettings widgets{defaults, notifications};
    HUDCommands commands;
    AppCatalog apps{workspace, clock};
    ClipboardHistory history{pasteboard, workspace, defaults, paths, clock, 4242};
    LiveCommandSearch search{apps, workspace, commands, widgets, history, clock};

    QStringList titles(const char *query)
    {
        return mapped(search.results(QString::fromUtf8(query)), &CommandItem::title);
    }
};

} // namespace

TEST_F(LiveCommandSearchTest, FindsClipsCommandsSkillsAndWidgetStatesAddedAfterItWasBuilt)
{
    pasteboard.externalCopy("gamma notes");
    history.poll();
    commands.add({"gamma", {}, "Gamma Ray", "bolt", "Test"});
    commands.add({"hidden-gamma", "Gamma (tray only)", {}, {}, {}});
    search.setSkills({{"s:g", "Gamma skill", "bolt.fill", {}, true, "SHORTCUT"}}, {});
    EXPECT_EQ(
        titles("gamma"),
        (QStringList{"Gamma skill", "Gamma Ray", "gamma notes", "Search the web for “gamma”"}));

    EXPECT_TRUE(titles("hide music").contains("Hide Music"));
    widgets.toggle(HUDWidgetID::nowPlaying);
    EXPECT_TRUE(titles("show music").contains("Show Music"));
}

TEST_F(LiveCommandSearchTest, AsksForTheRunningAppsAgainOnlyAfterALaunchOrAQuit)
{
    RunningApp editor = FakeWorkspace::make(100, "Editor", "editor");
    editor.desktopFile = "/usr/share/applications/editor.desktop";
    workspace.apps = {editor};
    EXPECT_EQ(search.runningPaths(), QSet<QString>{editor.desktopFile});
    titles("edit");
    titles("edito");
    EXPECT_EQ(workspace.listReads, 1);

    workspace.apps.clear();
    emit workspace.terminated(100);
    EXPECT_TRUE(search.runningPaths().isEmpty());
    workspace.apps = {editor};
    emit workspace.launched(100);
    EXPECT_EQ(search.runningPaths().size(), 1);
    EXPECT_EQ(workspace.listReads, 3);
}

TEST_F(LiveCommandSearchTest, WhatWasLearnedSurvivesARestartOwnerOnlyAndADamagedFileIsKeptAside)
{
    commands.add({"gamma", {}, "Gamma Ray", "bolt", "Test"});
    search.keepUsageIn(paths);
    const CommandItem row = search.results("gam").value(0);
    search.noteRun("gam", row);
    const QString file = paths.dataFile(LiveCommandSearch::usageFileName);
    EXPECT_EQ(QFile::permissions(file) & 0x00ff, 0) << "readable beyond its owner";

    LiveCommandSearch again{apps, workspace, commands, widgets, history, clock};
    again.keepUsageIn(paths);
    EXPECT_EQ(again.usage().weight("cmd:gamma", clock.now()), 1);
    again.forget(row);
    again.keepUsageIn(paths);
    EXPECT_TRUE(again.usage().isEmpty());

    writeFile(file, "{damaged");
    again.keepUsageIn(paths);
    again.noteRun("gam", row);
    EXPECT_EQ(AtomicFile::keptAside(file).size(), 1);
}

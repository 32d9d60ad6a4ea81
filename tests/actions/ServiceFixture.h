#pragma once

#include "actions/HUDActionService.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeToolRunner.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The service over fakes, with a temporary home folder holding the folder programs are found in.
class ServiceFixture : public ::testing::Test
{
protected:
    using Options = HUDActionService::Options;
    QTemporaryDir dir;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeToolRunner tools;
    FakeSystemLog log;
    FakeSystemStats stats;
    FakeClock clock;
    FakeFeedback feedback;
    QList<FakeFeedback::Toast> &toasts = feedback.toasts;
    std::unique_ptr<HUDActionService> service;

    virtual void adjust(Options &) const { }

    void make(const std::function<void(Options &)> &change = {})
    {
        Options o;
        o.searchPath = {dir.filePath("bin")};
        o.homeFolder = dir.path();
        o.loginShell = "/bin/sh";
        o.shortcutsTool = "/opt/vantle/vantle-shortcuts";
        o.currentDesktop = "openbox";
        adjust(o);
        if (change)
            change(o);
        service = std::make_unique<HUDActionService>(pasteboard, workspace, tools, log, stats,
                                                     clock, feedback, std::move(o));
    }

    // Every toast so far, as "title | message".
    QStringList shown() const
    {
        QStringList out;
        for (const FakeFeedback::Toast &toast : toasts)
            out << toast.title + " | " + toast.message;
        return out;
    }

    static bool waitFor(const std::function<bool()> &done) { return QTest::qWaitFor(done, 15000); }

    void SetUp() override
    {
        workspace.openSucceeds = false; // only the apps in `openable` open
        make();
    }

    // Shortcuts still running hold the fake tool runner.
    void TearDown() override
    {
        if (service) {
            EXPECT_TRUE(waitFor([&] { return service->pendingDoNotDisturbToggles() == 0; }));
        }
    }
};

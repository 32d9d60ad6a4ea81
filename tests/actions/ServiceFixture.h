#pragma once

#include "actions/HUDActionService.h"
#include "actions/LaunchWorkspace.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeToolRunner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>

using Toast = FakeFeedback::Toast;

// The service over fakes: its toasts and cues are recorded, programs are looked for only in a
// folder of the test's, and its home folder is a temporary one.
class ServiceFixture : public ::testing::Test
{
protected:
    static constexpr int kWaitMs = 15000;

    QTemporaryDir dir;
    FakePasteboard pasteboard;
    LaunchWorkspace workspace;
    FakeToolRunner tools;
    FakeSystemLog log;
    FakeSystemStats stats;
    FakeClock clock;
    FakeFeedback feedback;
    QList<Toast> &toasts = feedback.toasts;
    QList<QPair<SoundCue, float>> &cues = feedback.cues;
    std::unique_ptr<HUDActionService> service;

    HUDActionService::Options options() const
    {
        HUDActionService::Options o;
        o.searchPath = {dir.filePath("bin")};
        o.homeFolder = dir.filePath("home");
        o.loginShell = "/bin/sh";
        o.shortcutsTool = "/opt/vantle/vantle-shortcuts";
        o.currentDesktop = "openbox";
        return o;
    }

    void SetUp() override
    {
        QDir().mkpath(dir.filePath("bin"));
        QDir().mkpath(dir.filePath("home"));
        make(options());
    }

    void TearDown() override
    {
        // Shortcuts still running hold the fake tool runner.
        if (service) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return service->pendingDoNotDisturbToggles() == 0; },
                                        kWaitMs));
        }
    }

    void make(HUDActionService::Options o)
    {
        service = std::make_unique<HUDActionService>(pasteboard, workspace, tools, log, stats,
                                                     clock, feedback, std::move(o));
    }

    bool logMentions(const QString &text) const
    {
        return std::any_of(log.lines.begin(), log.lines.end(),
                           [&](const QString &line) { return line.contains(text); });
    }
};

#pragma once

#include "windows/WindowArranger.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <optional>

// The window arranger over fakes, on one 1440 x 900 screen unless a test says otherwise.
using Cue = SoundCue;
using Cues = QList<std::pair<Cue, float>>;
using Moves = QList<QPair<quint32, QRectF>>;
constexpr pid_t ownPid = 4242;

class Arranger : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeScreens screens;
    FakeAppPaths paths{dir.filePath("Vantle"), {}};
    FakeClock clock;
    FakeFeedback feedback;
    Cues &cues = feedback.cues;
    QList<FakeFeedback::Later> &waits = feedback.pending;
    std::optional<pid_t> gaze;
    std::unique_ptr<WindowArranger> arranger;

    void SetUp() override
    {
        screens.setScreens({FakeScreens::make("primary", {0, 0, 1440, 900})});
        make();
    }

    void make()
    {
        arranger = std::make_unique<WindowArranger>(
            windows, workspace, screens, paths, clock, feedback, [this] { return gaze; }, ownPid);
    }

    // A regular app whose standard windows each start at 400 x 400 in the top-left corner.
    void addApp(pid_t pid, const QString &name, const QString &id, QList<quint32> ws = {})
    {
        workspace.apps.append(FakeWorkspace::make(pid, name, id));
        windows.standard.insert(pid, ws);
        for (quint32 w : ws)
            windows.frames.insert(w, {0, 0, 400, 400});
    }

    // The editor in front with its one window 7 at (100, 100, 400, 300).
    void editorInFront()
    {
        addApp(10, "Editor", "editor", {7});
        workspace.front = 10;
        windows.frames.insert(7, {100, 100, 400, 300});
    }

    // The toasts shown as "title: message", each for 3.5 seconds; `titles` keeps the titles.
    QStringList toasts(bool titles = false) const
    {
        QStringList out;
        for (const FakeFeedback::Toast &t : feedback.toasts) {
            EXPECT_EQ(t.duration, 3.5);
            out << (titles ? t.title : t.title + ": " + t.message);
        }
        return out;
    }
};

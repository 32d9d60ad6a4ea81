#include "monitors/TargetMonitor.h"
#include "monitors/TargetReadoutAdapter.h"

#include "fakes/FakeClock.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <ostream>

namespace {

constexpr double kGiB = 1073741824.0;
constexpr double kScreenHeight = 800;
constexpr pid_t kOwn = 4242;
constexpr pid_t kEditor = 101;
constexpr pid_t kBrowser = 202;

WindowInfo window(pid_t pid, QRectF bounds, int layer = 0, std::optional<double> alpha = {})
{
    WindowInfo w;
    w.id = quint32(pid) * 10;
    w.pid = pid;
    w.bounds = bounds;
    w.layer = layer;
    w.alpha = alpha;
    return w;
}

class Target : public ::testing::Test
{
protected:
    FakeScreens screens;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeSystemStats stats;
    FakeClock clock;
    std::unique_ptr<TargetMonitor> monitor;

    void SetUp() override
    {
        screens.setScreens({FakeScreens::make("main", {0, 0, 1000, kScreenHeight})});
        workspace.apps = {FakeWorkspace::make(kEditor, "Editor", "org.gnome.TextEditor"),
                          FakeWorkspace::make(kBrowser, "Browser", "firefox")};
        stats.tasks.insert(kEditor, {2'000'000'000, 1.5 * kGiB});
        stats.tasks.insert(kBrowser, {9'000'000'000, 3.0 * kGiB});
        // The editor fills the left half, the browser the right; the desktop shows below.
        windows.windows = QList<WindowInfo>{window(kEditor, {0, 0, 500, 600}),
                                            window(kBrowser, {500, 0, 500, 600})};
        monitor = std::make_unique<TargetMonitor>(screens, windows, workspace, stats, clock, kOwn);
    }

    // Puts the pointer at a point given in window-list coordinates (top-left origin).
    void pointAt(double x, double y) { screens.setPointer({x, kScreenHeight - y}); }

    // Points at (x, y) and polls twice, a dwell apart, so that the owner becomes the target.
    void acquire(double x, double y)
    {
        pointAt(x, y);
        monitor->pollPointer();
        clock.advance(0.4);
        pointAt(x + 1, y);
        monitor->pollPointer();
    }

    pid_t gazedPid() const { return monitor->gaze() ? monitor->gaze()->pid : 0; }
};

} // namespace

TEST_F(Target, StartsAtTheDesktopWithNoGaze)
{
    EXPECT_EQ(monitor->name(), "Desktop");
    EXPECT_FALSE(monitor->gaze().has_value());
    EXPECT_EQ(monitor->threat(), Threat::inactive);
}

TEST_F(Target, FirstWindowNeedsTheDwellToo)
{
    pointAt(100, 100);
    monitor->pollPointer();
    EXPECT_EQ(monitor->pid(), 0);
    EXPECT_FALSE(monitor->gaze().has_value());
    clock.advance(0.4);
    monitor->pollPointer();
    EXPECT_EQ(monitor->pid(), kEditor);
    EXPECT_EQ(gazedPid(), kEditor);
    EXPECT_EQ(monitor->name(), "Editor");
}

TEST_F(Target, CrossingAnotherAppBrieflyKeepsTheTarget)
{
    acquire(100, 100);
    pointAt(600, 100);
    monitor->pollPointer();
    clock.advance(0.2);
    pointAt(610, 100);
    monitor->pollPointer();
    clock.advance(0.14);
    pointAt(620, 100);
    monitor->pollPointer();
    EXPECT_EQ(monitor->pid(), kEditor);
    EXPECT_EQ(gazedPid(), kEditor);
    EXPECT_EQ(monitor->name(), "Editor");
}

TEST_F(Target, RestingOnAnotherAppForTheDwellSwitches)
{
    acquire(100, 100);
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    pointAt(600, 100);
    monitor->pollPointer();
    clock.advance(0.36);
    pointAt(601, 100);
    monitor->pollPointer();
    EXPECT_EQ(monitor->pid(), kBrowser);
    EXPECT_EQ(monitor->name(), "Browser");
    ASSERT_EQ(gazedPid(), kBrowser);
    EXPECT_EQ(monitor->gaze()->frame, QRectF(500, 200, 500, 600));
    EXPECT_EQ(gazeSpy.count(), 1);
}

TEST_F(Target, OwnPanelOverNothingKeepsTheGaze)
{
    acquire(100, 100);
    // One of our panels sits over the bare desktop below the windows.
    windows.windows->prepend(window(kOwn, {100, 650, 300, 100}));
    pointAt(200, 700);
    clock.advance(5);
    monitor->pollPointer();
    EXPECT_EQ(gazedPid(), kEditor);
}

TEST_F(Target, OwnPanelDoesNotHideTheWindowBeneath)
{
    acquire(100, 100);
    windows.windows->prepend(window(kOwn, {550, 50, 300, 300}));
    acquire(600, 100);
    EXPECT_EQ(monitor->pid(), kBrowser);
    EXPECT_EQ(gazedPid(), kBrowser);
}

TEST_F(Target, BareDesktopClearsTheGazeOnlyAfterItLingered)
{
    acquire(100, 100);
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    pointAt(100, 700);
    clock.advance(1.1);
    monitor->pollPointer();
    EXPECT_TRUE(monitor->gaze().has_value());
    clock.advance(0.2);
    pointAt(101, 700);
    monitor->pollPointer();
    EXPECT_FALSE(monitor->gaze().has_value());
    EXPECT_EQ(gazeSpy.count(), 1);
    // The target itself and its figures stay; only the cursor goes.
    EXPECT_EQ(monitor->name(), "Editor");
}

TEST_F(Target, UnreadableWindowListChangesNothing)
{
    acquire(100, 100);
    windows.windows.reset();
    pointAt(100, 700);
    clock.advance(5);
    monitor->pollPointer();
    EXPECT_EQ(gazedPid(), kEditor);
}

TEST_F(Target, WindowWithoutOwnerIsSkipped)
{
    windows.windows->prepend(window(0, {50, 50, 200, 200}));
    acquire(100, 100);
    EXPECT_EQ(monitor->pid(), kEditor);
}

struct Overlay
{
    const char *what;
    double width;
    double height;
    int layer;
    std::optional<double> alpha;
    bool targeted;
};

void PrintTo(const Overlay &o, std::ostream *os)
{
    *os << o.what;
}

class TargetExclusion : public Target, public ::testing::WithParamInterface<Overlay>
{
};

TEST_P(TargetExclusion, DecidesWhetherTheFrontWindowIsATarget)
{
    const Overlay o = GetParam();
    constexpr pid_t kOverlay = 303;
    workspace.apps << FakeWorkspace::make(kOverlay, "Overlay", "overlay");
    windows.windows->prepend(window(kOverlay, {100, 100, o.width, o.height}, o.layer, o.alpha));
    acquire(110, 110);
    EXPECT_EQ(monitor->pid(), o.targeted ? kOverlay : kEditor) << o.what;
}

INSTANTIATE_TEST_SUITE_P(Rules, TargetExclusion,
                         ::testing::Values(Overlay{"menu layer", 300, 300, 101, {}, false},
                                           Overlay{"dock layer", 300, 300, -1, {}, false},
                                           Overlay{"80 wide", 80, 300, 0, {}, false},
                                           Overlay{"60 high", 300, 60, 0, {}, false},
                                           Overlay{"81 by 61", 81, 61, 0, {}, true},
                                           Overlay{"alpha 0.05", 300, 300, 0, 0.05, false},
                                           Overlay{"alpha 0", 300, 300, 0, 0.0, false},
                                           Overlay{"alpha 0.06", 300, 300, 0, 0.06, true},
                                           Overlay{"no alpha", 300, 300, 0, {}, true}));

TEST_F(Target, RestingPointerScansOnlyEverySeventhPoll)
{
    acquire(100, 100);
    windows.listReads = 0;
    for (int i = 0; i < 6; ++i)
        monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 0);
    monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 1);
    for (int i = 0; i < 6; ++i)
        monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 1);
    monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 2);

    // Any movement scans at once and starts the count again.
    pointAt(120, 100);
    monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 3);
    monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 3);
}

TEST_F(Target, RestingPointerWithoutGazeScansEveryPoll)
{
    pointAt(100, 700);
    for (int i = 0; i < 5; ++i)
        monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 5);
}

TEST_F(Target, PointerIsReportedOnEveryPoll)
{
    QList<QPointF> seen;
    monitor->onPointer = [&seen](QPointF p) { seen << p; };
    acquire(100, 100);
    for (int i = 0; i < 3; ++i)
        monitor->pollPointer(); // resting: no scan, still reported
    ASSERT_EQ(seen.size(), 5);
    EXPECT_EQ(seen.last(), QPointF(101, kScreenHeight - 100));
}

TEST_F(Target, WindowMovingUnderThePointerMovesTheGaze)
{
    acquire(100, 100);
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    (*windows.windows)[0].bounds = {0, 20, 500, 600};
    pointAt(102, 100);
    monitor->pollPointer();
    ASSERT_EQ(gazeSpy.count(), 1);
    EXPECT_EQ(monitor->gaze()->frame, QRectF(0, 180, 500, 600));
    pointAt(103, 100);
    monitor->pollPointer();
    EXPECT_EQ(gazeSpy.count(), 1); // the same gaze is not published again
}

TEST_F(Target, GazeFrameIsInModelCoordinates)
{
    acquire(100, 100);
    ASSERT_TRUE(monitor->gaze().has_value());
    EXPECT_EQ(monitor->gaze()->frame, QRectF(0, 200, 500, 600));
}

TEST_F(Target, WithoutScreensNothingIsOffsetByAScreenHeight)
{
    screens.setScreens({});
    windows.windows = QList<WindowInfo>{window(kEditor, {100, 100, 200, 200})};
    screens.setPointer({150, -150}); // H is 0: list coordinates are (150, 150)
    monitor->pollPointer();
    clock.advance(0.4);
    monitor->pollPointer();
    ASSERT_EQ(gazedPid(), kEditor);
    EXPECT_EQ(monitor->gaze()->frame, QRectF(100, -300, 200, 200));
}

TEST_F(Target, SwitchResetsCpuAndReadsMemoryAtOnce)
{
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 500'000'000;
    monitor->sampleCPU();
    ASSERT_NEAR(monitor->cpuPercent(), 50, 1e-6);
    EXPECT_DOUBLE_EQ(monitor->memoryGB(), 1.5);

    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    acquire(600, 100);
    ASSERT_EQ(monitor->pid(), kBrowser);
    EXPECT_NEAR(monitor->cpuPercent(), 0, 1e-6);
    EXPECT_DOUBLE_EQ(monitor->memoryGB(), 3.0);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(Target, CpuIsPercentOfOneCoreOverTheInterval)
{
    acquire(100, 100);
    clock.advance(1);
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 0, 1e-6); // idle over the first second
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 2'500'000'000; // two and a half cores busy
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 250, 1e-6);
    EXPECT_EQ(monitor->threat(), Threat::strong);
    clock.advance(2);
    stats.tasks[kEditor].cpuNanos += 1'000'000'000;
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 50, 1e-6);
}

TEST_F(Target, FirstSampleOnlyPrimesTheCounters)
{
    stats.tasks[kEditor].cpuNanos = 0; // a process with no CPU time yet
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos = 900'000'000;
    monitor->sampleCPU(); // the previous reading was 0: nothing to measure from
    EXPECT_NEAR(monitor->cpuPercent(), 0, 1e-6);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 100'000'000;
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 10, 1e-9);
}

TEST_F(Target, CounterRunningBackwardsKeepsTheLastPercent)
{
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 700'000'000;
    monitor->sampleCPU();
    ASSERT_NEAR(monitor->cpuPercent(), 70, 1e-6);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos = 1'000'000'000; // a new process reused the id
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 70, 1e-6);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 200'000'000;
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 20, 1e-9);
}

TEST_F(Target, VanishedProcessKeepsItsValues)
{
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 400'000'000;
    monitor->sampleCPU();
    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    stats.tasks.remove(kEditor);
    clock.advance(1);
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->cpuPercent(), 40, 1e-6);
    EXPECT_DOUBLE_EQ(monitor->memoryGB(), 1.5);
    EXPECT_EQ(monitor->name(), "Editor");
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(Target, SamplingWithoutTargetDoesNothing)
{
    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    monitor->sampleCPU();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_DOUBLE_EQ(monitor->memoryGB(), 0);
}

TEST_F(Target, ProcessWithoutApplicationIsUnknown)
{
    constexpr pid_t kDaemon = 505;
    stats.tasks.insert(kDaemon, {1, 0.25 * kGiB});
    windows.windows->prepend(window(kDaemon, {50, 50, 200, 200}));
    acquire(100, 100);
    ASSERT_EQ(monitor->pid(), kDaemon);
    EXPECT_EQ(monitor->name(), "Unknown");
    EXPECT_FALSE(monitor->isNPC());
    EXPECT_DOUBLE_EQ(monitor->memoryGB(), 0.25);
}

TEST_F(Target, ApplicationWithoutNameIsUnknown)
{
    workspace.apps[0].name.clear();
    acquire(100, 100);
    EXPECT_EQ(monitor->name(), "Unknown");
}

TEST_F(Target, SystemApplicationIsAnNPC)
{
    workspace.apps[0].appId = "com.apple.finder";
    acquire(100, 100);
    EXPECT_TRUE(monitor->isNPC());

    workspace.apps[1].appId.clear();
    acquire(600, 100);
    EXPECT_FALSE(monitor->isNPC());

    workspace.apps[0].appId = "org.apple.finder";
    acquire(100, 100);
    EXPECT_FALSE(monitor->isNPC());
}

TEST(Threats, TiersStartAtTheirBorders)
{
    const QList<QPair<double, Threat>> cases
        = {{0, Threat::inactive},          {2.99, Threat::inactive}, {3, Threat::friendly},
           {59.99, Threat::friendly},      {60, Threat::active},     {149.9, Threat::active},
           {150, Threat::strong},          {299.9, Threat::strong},  {300, Threat::overwhelming},
           {599.99, Threat::overwhelming}, {600, Threat::lethal},    {5000, Threat::lethal}};
    for (const auto &[cpu, tier] : cases)
        EXPECT_EQ(TargetMonitor::threatFor(cpu), tier) << cpu;
}

TEST(Threats, Labels)
{
    EXPECT_EQ(TargetMonitor::label(Threat::inactive), "Idle");
    EXPECT_EQ(TargetMonitor::label(Threat::friendly), "Friendly");
    EXPECT_EQ(TargetMonitor::label(Threat::active), "Active");
    EXPECT_EQ(TargetMonitor::label(Threat::strong), "Strong");
    EXPECT_EQ(TargetMonitor::label(Threat::overwhelming), "Overwhelming");
    EXPECT_EQ(TargetMonitor::label(Threat::lethal), "Lethal");
}

TEST_F(Target, LoadIsTheShareOfAllCores)
{
    stats.cores = 4;
    monitor = std::make_unique<TargetMonitor>(screens, windows, workspace, stats, clock, kOwn);
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 1'000'000'000;
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->load(), 0.25, 1e-6);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 6'000'000'000; // more than the machine: the clamp
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->load(), 1.0, 1e-6);
}

TEST_F(Target, ShowingPollsAtOnceAndHidingStops)
{
    pointAt(100, 100);
    monitor->setHUDVisible(true);
    EXPECT_TRUE(monitor->isActive());
    EXPECT_EQ(windows.listReads, 1);
    monitor->setHUDVisible(false);
    EXPECT_FALSE(monitor->isActive());
    EXPECT_EQ(windows.listReads, 1);
    monitor->setHUDVisible(true);
    EXPECT_EQ(windows.listReads, 2);
    monitor->setHUDVisible(false);
}

TEST_F(Target, CrampedIsStoredAndAnnouncedOnChange)
{
    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    monitor->setCramped(true);
    monitor->setCramped(true);
    EXPECT_TRUE(monitor->cramped());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(Target, ReadoutCarriesTheTarget)
{
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 650'000'000;
    monitor->sampleCPU();
    monitor->setCramped(true);
    const TargetReadout r = targetReadout(*monitor);
    EXPECT_EQ(r.name, "Editor");
    EXPECT_EQ(r.tier, ThreatTier::active);
    EXPECT_EQ(r.tierLabel, "Active");
    EXPECT_NEAR(r.cpuPercent, 65, 1e-6);
    EXPECT_DOUBLE_EQ(r.memoryGB, 1.5);
    EXPECT_FALSE(r.isNPC);
    EXPECT_TRUE(r.cramped);
}

TEST(Threats, EveryTierMapsToTheViewsTier)
{
    EXPECT_EQ(threatTier(Threat::inactive), ThreatTier::inactive);
    EXPECT_EQ(threatTier(Threat::friendly), ThreatTier::friendly);
    EXPECT_EQ(threatTier(Threat::active), ThreatTier::active);
    EXPECT_EQ(threatTier(Threat::strong), ThreatTier::strong);
    EXPECT_EQ(threatTier(Threat::overwhelming), ThreatTier::overwhelming);
    EXPECT_EQ(threatTier(Threat::lethal), ThreatTier::lethal);
}

TEST_F(Target, WithReportedMotionAStillPointerIsNotAskedFor)
{
    screens.watching = true;
    pointAt(100, 100);
    monitor->setHUDVisible(true);
    EXPECT_EQ(screens.watchers, 1);
    const int reads = screens.pointerReads;
    monitor->pollPointer();
    monitor->pollPointer();
    EXPECT_EQ(screens.pointerReads, reads);
    // A reported move is picked up on the next poll.
    clock.advance(0.4);
    screens.movePointer({101, kScreenHeight - 100});
    monitor->pollPointer();
    EXPECT_EQ(screens.pointerReads, reads + 1);
    EXPECT_EQ(gazedPid(), kEditor);
    monitor->setHUDVisible(false);
    EXPECT_EQ(screens.watchers, 0);
}

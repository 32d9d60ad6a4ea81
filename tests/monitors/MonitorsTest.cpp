#include "monitors/DesktopComponents.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/SelfCostMeter.h"
#include "monitors/SystemMetricsService.h"
#include "monitors/TargetMonitor.h"
#include "ui/widgets/TargetReadoutAdapter.h"

#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <cmath>

namespace {

constexpr double kGiB = 1073741824.0;
constexpr double kScreenHeight = 800;
constexpr pid_t kOwn = 4242;
constexpr pid_t kEditor = 101;
constexpr pid_t kBrowser = 202;

WindowInfo window(pid_t pid, QRectF bounds, int layer = 0, std::optional<double> alpha = {})
{
    return {quint32(pid) * 10, pid, bounds, layer, alpha};
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
        workspace.apps = {FakeWorkspace::make(kEditor, "Editor", "org.example.TextEditor"),
                          FakeWorkspace::make(kBrowser, "Browser", "firefox")};
        stats.tasks.insert(kEditor, {2'000'000'000, 1.5 * kGiB});
        stats.tasks.insert(kBrowser, {9'000'000'000, 3.0 * kGiB});
        // The editor fills the left half, the browser the right; the desktop shows below.
        windows.windows = QList<WindowInfo>{window(kEditor, {0, 0, 500, 600}),
                                            window(kBrowser, {500, 0, 500, 600})};
        monitor = std::make_unique<TargetMonitor>(screens, windows, workspace, stats, clock, kOwn);
    }

    // The pointer at a point in window-list coordinates (top-left origin), then a poll.
    void pointAt(double x, double y) { screens.setPointer({x, kScreenHeight - y}); }
    void pollAt(double x, double y)
    {
        pointAt(x, y);
        monitor->pollPointer();
    }

    // Two polls a dwell apart: the owner of (x, y) becomes the target.
    void acquire(double x, double y)
    {
        pollAt(x, y);
        clock.advance(0.4);
        pollAt(x + 1, y);
    }

    pid_t gazedPid() const { return monitor->gaze() ? monitor->gaze()->pid : 0; }
};

class Metrics : public ::testing::Test
{
protected:
    FakeSystemStats stats;
    FakeClock clock;
    SystemMetricsService service{stats, clock};

    static PowerSource mouse() { return {false, 60.0, 100.0, false}; }
};

class RunningApps : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    FakeFeedback feedback;

    // Apps 1..count, app n launched at 09:0n, listed newest first: order comes from the dates.
    void launch(int count)
    {
        const QDateTime base(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        for (int n = count; n >= 1; --n)
            workspace.apps << FakeWorkspace::make(n, QStringLiteral("App %1").arg(n),
                                                  QStringLiteral("app%1").arg(n), true,
                                                  base.addSecs(60 * n));
    }

    std::unique_ptr<RunningAppsMonitor> make()
    {
        return std::make_unique<RunningAppsMonitor>(workspace, kOwn, feedback);
    }

    // The listed pids, the one in front marked with a star.
    static QString shown(const RunningAppsMonitor &m)
    {
        QStringList out;
        for (const RunningAppsMonitor::Entry &e : m.entries())
            out << QString::number(e.id) + (e.isFront ? "*" : "");
        return out.join(' ');
    }
};

} // namespace

TEST_F(Target, TheFirstWindowAndEverySwitchNeedTheDwell)
{
    EXPECT_EQ(std::tuple(monitor->name(), monitor->threat()),
              std::tuple("Desktop", Threat::inactive));
    pollAt(100, 100);
    EXPECT_FALSE(monitor->pid() || monitor->gaze());
    clock.advance(0.4);
    monitor->pollPointer();
    ASSERT_EQ(gazedPid(), kEditor);
    EXPECT_EQ(std::tuple(monitor->name(), monitor->gaze()->frame),
              std::tuple("Editor", QRectF(0, 200, 500, 600))); // in model coordinates
    // Crossing the browser briefly keeps the target; resting on it for the dwell switches.
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    for (auto [x, dt] : {std::pair{600.0, 0.2}, {610.0, 0.14}, {620.0, 0.0}}) {
        pollAt(x, 100);
        clock.advance(dt);
    }
    EXPECT_EQ(gazedPid(), kEditor);
    clock.advance(0.36 - 0.14);
    pollAt(621, 100);
    ASSERT_EQ(gazedPid(), kBrowser);
    EXPECT_EQ(std::tuple(monitor->name(), monitor->gaze()->frame),
              std::tuple("Browser", QRectF(500, 200, 500, 600)));
    EXPECT_EQ(gazeSpy.count(), 1);
}

TEST_F(Target, OwnPanelsOwnerlessWindowsAndUnreadableListsKeepTheGazeTheDesktopClearsItLate)
{
    windows.windows->prepend(window(0, {50, 50, 200, 200}));
    acquire(100, 100);
    EXPECT_EQ(gazedPid(), kEditor);
    // One of our panels over the bare desktop keeps the gaze; one over a window hides nothing.
    windows.windows->prepend(window(kOwn, {100, 650, 300, 100}));
    windows.windows->prepend(window(kOwn, {550, 50, 300, 300}));
    clock.advance(5);
    pollAt(200, 700);
    EXPECT_EQ(gazedPid(), kEditor);
    acquire(600, 100);
    EXPECT_EQ(gazedPid(), kBrowser);
    const auto list = windows.windows;
    windows.windows.reset();
    clock.advance(5);
    pollAt(50, 700);
    EXPECT_EQ(gazedPid(), kBrowser);
    windows.windows = list;
    acquire(100, 100);
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    clock.advance(1.1);
    pollAt(50, 700);
    EXPECT_EQ(gazedPid(), kEditor);
    clock.advance(0.2);
    pollAt(51, 700);
    // The target and its figures stay; only the cursor goes.
    EXPECT_EQ(std::tuple(monitor->gaze().has_value(), gazeSpy.count(), monitor->name()),
              std::tuple(false, 1, "Editor"));
}

TEST_F(Target, MenusDocksSliversAndInvisibleWindowsAreNoTarget)
{
    constexpr pid_t kOverlay = 303;
    // What, width, height, layer, alpha, whether it becomes the target.
    const std::tuple<const char *, double, double, int, std::optional<double>, bool> rows[]
        = {{"menu layer", 300, 300, 101, {}, false}, {"dock layer", 300, 300, -1, {}, false},
           {"80 wide", 80, 300, 0, {}, false},       {"60 high", 300, 60, 0, {}, false},
           {"81 by 61", 81, 61, 0, {}, true},        {"alpha 0.05", 300, 300, 0, 0.05, false},
           {"alpha 0.06", 300, 300, 0, 0.06, true},  {"no alpha", 300, 300, 0, {}, true}};
    for (const auto &[what, width, height, layer, alpha, targeted] : rows) {
        SetUp();
        workspace.apps << FakeWorkspace::make(kOverlay, "Overlay", "overlay");
        windows.windows->prepend(window(kOverlay, {100, 100, width, height}, layer, alpha));
        acquire(110, 110);
        EXPECT_EQ(monitor->pid(), targeted ? kOverlay : kEditor) << what;
    }
}

// Where the window system tells no frames (Wayland), it lists the active window alone, unbounded.
TEST_F(Target, AnUnframedActiveWindowIsTheTargetWherEverThePointerIsAndIsNotMarked)
{
    acquire(100, 100);
    ASSERT_TRUE(monitor->gaze());
    windows.windows = QList<WindowInfo>{window(kBrowser, QRectF())};
    acquire(100, 100);
    EXPECT_EQ(std::pair(monitor->pid(), monitor->name()), std::pair(kBrowser, QString("Browser")));
    EXPECT_FALSE(monitor->gaze()) << "a marker over a frame nobody knows";
    // A menu of another layer is still no target; nothing active keeps the last target.
    windows.windows = QList<WindowInfo>{window(kEditor, QRectF(), 101)};
    acquire(900, 700);
    windows.windows = QList<WindowInfo>{};
    acquire(900, 700);
    EXPECT_EQ(monitor->pid(), kBrowser);
}

TEST_F(Target, RestingPointerScansOnlyEverySeventhPoll)
{
    pointAt(100, 700);
    for (int i = 0; i < 8; ++i)
        monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 2) << "over the bare desktop too";
    QList<QPointF> seen;
    QObject::connect(monitor.get(), &TargetMonitor::pointerPolled,
                     [&seen](QPointF p) { seen << p; });
    acquire(100, 100);
    windows.listReads = 0;
    QList<int> reads;
    for (int i = 0; i < 14; ++i, reads << windows.listReads)
        monitor->pollPointer();
    EXPECT_EQ(reads, (QList<int>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 2}));
    EXPECT_EQ(seen.size(), 16) << "the pointer is reported on every poll";
    EXPECT_EQ(seen.last(), QPointF(101, kScreenHeight - 100));
    // Any movement scans at once and starts the count again.
    pollAt(120, 100);
    monitor->pollPointer();
    EXPECT_EQ(windows.listReads, 3);
}

TEST_F(Target, TheGazeFollowsAWindowMovingUnderThePointerAndNeedsNoScreenToFlip)
{
    acquire(100, 100);
    QSignalSpy gazeSpy(monitor.get(), &TargetMonitor::gazeChanged);
    (*windows.windows)[0].bounds = {0, 20, 500, 600};
    pollAt(102, 100);
    pollAt(103, 100);
    EXPECT_EQ(std::tuple(gazeSpy.count(), monitor->gaze()->frame),
              std::tuple(1, QRectF(0, 180, 500, 600)));
    SetUp();
    screens.setScreens({});
    windows.windows = QList<WindowInfo>{window(kEditor, {100, 100, 200, 200})};
    acquire(150, kScreenHeight + 150); // without a screen list y is model -y
    ASSERT_EQ(gazedPid(), kEditor);
    EXPECT_EQ(monitor->gaze()->frame, QRectF(100, -300, 200, 200));
}

TEST_F(Target, CpuIsPercentOfOneCoreAVanishedProcessKeepsItsValuesAndASwitchStartsAfresh)
{
    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    monitor->sampleCPU(); // no target, nothing to sample
    EXPECT_EQ(std::tuple(changed.count(), monitor->memoryGB()), std::tuple(0, 0.0));
    stats.tasks[kEditor].cpuNanos = 0; // a process with no CPU time yet
    acquire(100, 100);
    QList<double> percents;
    // The first reading only primes; a counter running backwards (a reused id) keeps the last.
    const std::pair<double, qint64> steps[]
        = {{1, 900'000'000}, {1, 2'500'000'000},  {2, 1'000'000'000},
           {1, 700'000'000}, {1, -3'100'000'000}, {1, 200'000'000}};
    for (const auto &[seconds, nanos] : steps) {
        clock.advance(seconds);
        stats.tasks[kEditor].cpuNanos += nanos;
        monitor->sampleCPU();
        percents << std::round(monitor->cpuPercent() * 1e6) / 1e6;
    }
    EXPECT_EQ(percents, (QList<double>{0, 250, 50, 70, 70, 20}));
    changed.clear();
    stats.tasks.remove(kEditor);
    clock.advance(1);
    monitor->sampleCPU();
    EXPECT_EQ(std::tuple(changed.count(), monitor->memoryGB()), std::tuple(0, 1.5));
    EXPECT_NEAR(monitor->cpuPercent(), 20, 1e-6);
    acquire(600, 100);
    EXPECT_EQ(std::tuple(monitor->pid(), monitor->cpuPercent(), monitor->memoryGB()),
              std::tuple(kBrowser, 0.0, 3.0));
    EXPECT_GE(changed.count(), 1);
}

TEST_F(Target, NamesAndNPCs)
{
    constexpr pid_t kDaemon = 505;
    stats.tasks.insert(kDaemon, {1, 0.25 * kGiB});
    windows.windows->prepend(window(kDaemon, {700, 50, 100, 100}));
    acquire(710, 60);
    ASSERT_EQ(monitor->pid(), kDaemon); // a process without an application
    EXPECT_EQ(std::tuple(monitor->name(), monitor->isNPC(), monitor->memoryGB()),
              std::tuple("Unknown", false, 0.25));
    workspace.apps[0].name.clear();
    workspace.apps[0].appId = "com.apple.finder";
    acquire(100, 100);
    EXPECT_EQ(std::tuple(monitor->name(), monitor->isNPC()), std::tuple("Unknown", true));
    workspace.apps[0].appId = "org.apple.finder";
    acquire(600, 100);
    acquire(100, 100);
    EXPECT_FALSE(monitor->isNPC());
}

// The desktop's own parts: another user's process, a desktop id in a desktop's namespace, or
// the session's shell and daemons by executable; not an app whose name only resembles one.
TEST(DesktopComponents, AnotherUsersProcessTheDesktopsOwnIdsAndTheSessionShellAreNPCs)
{
    const auto npc = [](const char *appId, const char *executable, bool otherUser = false) {
        RunningApp app;
        app.appId = appId;
        app.executable = executable;
        app.otherUser = otherUser;
        return DesktopComponents::isNPC(app);
    };
    for (const auto &[id, exe] : {std::pair{"org.gnome.Settings", "gnome-control-center"},
                                  {"org.kde.dolphin", "dolphin"},
                                  {"xfce4-terminal", "x"},
                                  {"", "gnome-shell"},
                                  {"", "gsd-media-keys"},
                                  {"", "plasmashell"}})
        EXPECT_TRUE(npc(id, exe)) << id << exe;
    EXPECT_TRUE(npc("org.example.Tool", "tool", true)); // root's, or a greeter's
    for (const auto &[id, exe] : {std::pair{"firefox", "firefox"},
                                  {"org.gnomes.Garden", "g"},
                                  {"", "plasmashell-helper"},
                                  {"", ""}})
        EXPECT_FALSE(npc(id, exe)) << id << exe;
}

TEST_F(Target, TiersStartAtTheirBordersLoadIsTheShareOfAllCoresTheReadoutCarriesTheTarget)
{
    // A tier starts at its border.
    EXPECT_EQ(TargetMonitor::threatFor(59.99), Threat::friendly);
    EXPECT_EQ(TargetMonitor::threatFor(60), Threat::active);
    stats.cores = 4;
    monitor = std::make_unique<TargetMonitor>(screens, windows, workspace, stats, clock, kOwn);
    acquire(100, 100);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 6'000'000'000; // more than the machine: the clamp
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->load(), 1.0, 1e-6);
    clock.advance(1);
    stats.tasks[kEditor].cpuNanos += 650'000'000;
    monitor->sampleCPU();
    EXPECT_NEAR(monitor->load(), 0.1625, 1e-6);
    QSignalSpy changed(monitor.get(), &TargetMonitor::changed);
    monitor->setCramped(true);
    monitor->setCramped(true);
    EXPECT_EQ(changed.count(), 1);
    const TargetReadout r = targetReadout(*monitor);
    EXPECT_EQ(std::tuple(r.name, r.tier, r.tierLabel, r.memoryGB, r.isNPC, r.cramped),
              std::tuple("Editor", ThreatTier::active, "Active", 1.5, false, true));
    EXPECT_NEAR(r.cpuPercent, 65, 1e-6);
}

TEST_F(Target, ShowingPollsAtOnceHidingStopsAndReportedMotionSparesThePointerReads)
{
    pointAt(100, 100);
    QList<int> reads;
    for (bool visible : {true, false, true, false}) {
        monitor->setHUDVisible(visible);
        EXPECT_EQ(monitor->isActive(), visible);
        reads << windows.listReads;
    }
    EXPECT_EQ(reads, (QList<int>{1, 1, 2, 2}));
    // With motion reported a still pointer is not read; a reported move is read at the next poll.
    screens.watching = true;
    monitor->setHUDVisible(true);
    EXPECT_EQ(screens.watchers, 1);
    const int pointerReads = screens.pointerReads;
    monitor->pollPointer();
    monitor->pollPointer();
    EXPECT_EQ(screens.pointerReads, pointerReads);
    clock.advance(0.4);
    screens.movePointer({101, kScreenHeight - 100});
    monitor->pollPointer();
    EXPECT_EQ(screens.pointerReads, pointerReads + 1);
    EXPECT_EQ(gazedPid(), kEditor);
    // Settled, it still reads the pointer at each slow poll: a warped pointer reports no motion.
    monitor->pollPointer();
    pointAt(100, 700);
    monitor->pollPointer();
    EXPECT_EQ(screens.pointerReads, pointerReads + 2);
    clock.advance(1.3);
    monitor->pollPointer();
    EXPECT_EQ(gazedPid(), 0);
    monitor->setHUDVisible(false);
    EXPECT_EQ(screens.watchers, 0);
}

TEST_F(Metrics, FirstInternalBatteryIsReadAndNoneIsAbsentAtEverySample)
{
    for (const QList<PowerSource> &sources : {QList<PowerSource>{}, QList<PowerSource>{mouse()}}) {
        stats.power = sources;
        service.start();
        for (int i = 0; i < 3; ++i, service.tick())
            EXPECT_FALSE(service.hasBattery() || service.batteryPercent());
    }
    // Max 0: the raw current; max missing: out of 100; current missing: 0.
    const std::pair<QList<PowerSource>, double> rows[]
        = {{{mouse(), FakeSystemStats::battery(40, 80, true), FakeSystemStats::battery(90)}, 50},
           {{mouse(), FakeSystemStats::battery(37, 0)}, 37},
           {{mouse(), {true, 42.0, std::nullopt, false}}, 42},
           {{mouse(), {true, std::nullopt, 80.0, false}}, 0}};
    for (const auto &[sources, percent] : rows) {
        stats.power = sources;
        service.tick();
        EXPECT_EQ(std::tuple(service.hasBattery(), *service.batteryPercent(), service.isCharging()),
                  std::tuple(true, percent, percent == 50));
    }
    stats.power = QList<PowerSource>{mouse()}; // battery taken out
    service.tick();
    EXPECT_FALSE(service.hasBattery() || service.batteryPercent());
}

TEST_F(Metrics, DiskIsReadInGigabytesEveryThirtySamplesAndFailingSourcesKeepTheirValues)
{
    stats.power = QList<PowerSource>{FakeSystemStats::battery(50, 100, true)};
    service.start(); // sample 0
    EXPECT_EQ(std::pair(service.diskFreeGB(), service.diskTotalGB()), std::pair(200.0, 500.0));
    stats.volume = VolumeCapacity{150e9, 500e9};
    QList<int> reads;
    for (int sample = 1; sample <= 60; ++sample, service.tick())
        reads << stats.volumeReads;
    EXPECT_EQ(reads.mid(0, 30), QList<int>(30, 1));
    EXPECT_EQ(reads[30], 2);
    EXPECT_EQ(stats.volumeReads, 3);
    // Sources that fail keep their last values and never stop the others.
    stats.power.reset();
    stats.volume.reset();
    stats.mem = MemoryFigures{8 * kGiB, 16 * kGiB};
    for (int i = 0; i < 30; ++i) // crosses a disk sample
        service.tick();
    EXPECT_EQ(std::tuple(service.hasBattery(), service.isCharging(), *service.batteryPercent(),
                         service.diskFreeGB(), service.memoryUsedGB()),
              std::tuple(true, true, 50.0, 150.0, 8.0));
    stats.mem.reset();
    service.tick();
    EXPECT_DOUBLE_EQ(service.memoryUsedGB(), 8);
}

TEST_F(Metrics, CpuIsTheBusyShareBetweenTwoGoodReadingsAndMemoryPressureHasItsBoundaries)
{
    stats.cpu = CpuTicks{5000, 1000, 4000, 0}; // user, system, idle, nice
    EXPECT_DOUBLE_EQ(service.memoryTotalGB(), 0);
    service.start();
    // No CPU figure yet: nothing to compare with.
    EXPECT_EQ(std::pair(service.cpuPercent(), service.memoryTotalGB()), std::pair(0.0, 16.0));
    const std::pair<std::optional<CpuTicks>, double> steps[] = {
        {CpuTicks{5010, 1010, 4075, 5}, 25}, // user, system and nice are all busy
        {CpuTicks{5010, 1010, 4075, 5}, 25}, // no ticks passed
        {std::nullopt, 25}, // unreadable
        {CpuTicks{5050, 1010, 4135, 5}, 40}, // from the last good reading
        {CpuTicks{5140, 1010, 10, 5}, 40}, // idle ran backwards: no absurd figure
        {CpuTicks{5210, 1010, 40, 5}, 70}, // from the reading that ran backwards
    };
    for (const auto &[ticks, percent] : steps) {
        stats.cpu = ticks;
        service.tick();
        EXPECT_DOUBLE_EQ(service.cpuPercent(), percent);
    }

    const std::pair<double, MemoryPressure> cases[] = {{0.75, MemoryPressure::normal},
                                                       {0.7501, MemoryPressure::warning},
                                                       {0.9, MemoryPressure::warning},
                                                       {0.9001, MemoryPressure::critical}};
    for (const auto &[ratio, expected] : cases) {
        stats.mem = MemoryFigures{ratio * stats.physical, stats.physical};
        service.tick();
        EXPECT_EQ(std::pair(service.memoryPressure(), service.memoryUsedGB()),
                  std::pair(expected, ratio * 16));
    }
    stats.physical = 0; // unknown size: the bytes themselves are the ratio
    SystemMetricsService unknown(stats, clock);
    unknown.start();
    EXPECT_EQ(unknown.memoryPressure(), MemoryPressure::critical);
}

TEST_F(Metrics, HiddenHUDFreezesReadoutsButThermalFollows)
{
    stats.thermal = ThermalState::fair;
    SystemMetricsService fresh(stats, clock);
    EXPECT_EQ(fresh.thermal(), ThermalState::fair); // the state at creation
    fresh.start();
    EXPECT_EQ(std::tuple(fresh.tickCount(), fresh.isSampling()), std::tuple(1, false));
    clock.advance(5);
    fresh.setHUDVisible(true); // samples at once
    EXPECT_EQ(std::pair(fresh.now(), fresh.isSampling()), std::pair(clock.now(), true));
    fresh.setHUDVisible(false);
    EXPECT_FALSE(fresh.isSampling());
    const int samples = fresh.tickCount();
    stats.mem = MemoryFigures{15 * kGiB, 16 * kGiB};
    QCoreApplication::processEvents();
    QSignalSpy changed(&fresh, &SystemMetricsService::changed);
    stats.setThermal(ThermalState::critical);
    EXPECT_EQ(std::tuple(fresh.thermal(), changed.count(), fresh.tickCount(), fresh.memoryUsedGB()),
              std::tuple(ThermalState::critical, 1, samples, 4.0));
}

TEST_F(RunningApps, OldestLaunchFirstUndatedBeforeAllAndTwelveSlotsKeepingTheFrontApp)
{
    const std::tuple<int, std::optional<pid_t>, const char *> rows[]
        = {{3, std::nullopt, "77 1 2 3"},
           {13, 5, "77 1 2 3 4 5* 6 7 8 9 10 11"},
           {13, 13, "77 1 2 3 4 5 6 7 8 9 10 13*"},
           {2, 50, "77 1 2"}}; // a background app in front is never listed
    for (const auto &[count, front, expected] : rows) {
        workspace.apps = {FakeWorkspace::make(77, "", "undated"),
                          FakeWorkspace::make(50, "Tray Utility", "tray", false)};
        launch(count);
        workspace.front = front;
        const auto m = make();
        EXPECT_EQ(shown(*m), expected) << count;
        EXPECT_EQ(m->entries().first().name, "App"); // what a nameless app is called
    }
}

TEST_F(RunningApps, IconsAreLookedUpWhenFirstAskedForAndKeptWhileTheirAppKeepsItsSlot)
{
    launch(2);
    workspace.apps[0].iconName = "two";
    auto m = make();
    EXPECT_TRUE(workspace.iconLookups.isEmpty()) << "listing the slots reads no icon theme";
    EXPECT_FALSE(m->icon(2).isNull());
    EXPECT_TRUE(m->icon(1).isNull()); // an app without an icon name
    EXPECT_TRUE(m->icon(99).isNull()); // no slot, no look-up
    m->refresh();
    m->icon(2);
    m->icon(1);
    EXPECT_EQ(workspace.iconLookups, (QStringList{"two", ""}));
    // A new icon name is looked up afresh; an app gone and back under its pid too.
    workspace.apps[0].iconName = "renamed";
    m->refresh();
    EXPECT_FALSE(m->icon(2).isNull());
    const RunningApp one = workspace.apps.takeLast();
    m->refresh();
    EXPECT_TRUE(m->icon(1).isNull());
    workspace.apps << one;
    m->refresh();
    m->icon(1);
    EXPECT_EQ(workspace.iconLookups, (QStringList{"two", "", "renamed", ""}));
}

TEST_F(RunningApps, OwnOrNoAppInFrontKeepsTheLastMarkedAndAppsQuitAndJoinOnLaterReports)
{
    launch(3);
    workspace.apps << FakeWorkspace::make(kOwn, "Kaidro", "kaidro");
    workspace.front = 2;
    auto m = make();
    QSignalSpy spy(m.get(), &RunningAppsMonitor::entriesChanged);
    workspace.front = kOwn;
    emit workspace.activated(kOwn);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(*m), "1 2* 3");
    workspace.apps.removeIf([](const RunningApp &a) { return a.pid == 2; });
    workspace.front.reset();
    emit workspace.terminated(2);
    QCoreApplication::processEvents();
    // Nothing marked until another app comes forward.
    EXPECT_EQ(std::tuple(spy.count(), m->lastFrontPID(), shown(*m)), std::tuple(2, 2, "1 3"));
    workspace.front = 3;
    emit workspace.activated(3);
    workspace.apps << FakeWorkspace::make(30, "New", "new", true,
                                          QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC));
    emit workspace.launched(30);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(*m), "1 3* 30");
    m->switchTo(1);
    ASSERT_EQ(feedback.cues.size(), 1);
    EXPECT_EQ(feedback.cues[0].first, SoundCue::select);
    EXPECT_EQ(workspace.activations, QList<pid_t>{1});
    // Reports are handled after the workspace's report returns, never once the monitor is gone.
    const int reads = workspace.listReads;
    emit workspace.launched(1);
    EXPECT_EQ(workspace.listReads, reads);
    m.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(workspace.listReads, reads);
}

TEST(SelfCost, RatesAreOverTheNewestSampleAMinuteOldAndAHiddenStretchIsOneSpan)
{
    FakeClock clock;
    SelfUsage used; // grows by 20 ms of CPU, 10 wake-ups and nothing else each second
    auto advance = [&](double seconds) {
        clock.advance(seconds);
        used.cpuMicros += qint64(seconds * 20000);
        used.voluntarySwitches += qint64(seconds * 10);
    };
    used.residentBytes = 31 * 1024 * 1024;
    SelfCostMeter meter(clock, [&] { return used; });

    // Two minutes of readouts ticking each second, then a burst in the last five seconds.
    for (int s = 0; s < 115; ++s) {
        advance(1);
        meter.noteTick();
    }
    used.cpuMicros += 650000;
    advance(5);
    SelfCostMeter::Figures f = meter.figures();
    EXPECT_NEAR(f.spanSeconds, 60, 10) << "the baseline is the newest sample a minute old";
    EXPECT_NEAR(f.cpuPercent, 2.0 + 65.0 / f.spanSeconds, 1e-9);
    EXPECT_NEAR(f.wakeupsPerSecond, 10, 1e-9);
    EXPECT_EQ(SelfCostMeter::line(f),
              QStringLiteral("Kaidro itself: %1 % of a core, 31 MB")
                  .arg(QString::number(f.cpuPercent, 'f', 1)));

    // Hidden for ten minutes, nothing is sampled; the next figure spans the whole stretch.
    advance(600);
    f = meter.figures();
    EXPECT_DOUBLE_EQ(f.spanSeconds, 600);
    EXPECT_EQ(SelfCostMeter::costText({0.04, 0, 30.6, 1}), "0.04 % of a core, 31 MB");
    EXPECT_EQ(SelfCostMeter::wakeupText(f), "10.0 wake-ups a second over the last 600 s");
}

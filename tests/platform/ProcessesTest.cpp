#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/ProcSystemStats.h"
#include "platform/linux/ProcessToolRunner.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <tuple>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kBinary("\x7f\x45\x4c\x46\x00\x01\xff\xfe cpu \x00 12", 17);

// A private /proc and /sys, written file by file.
class ProcTree : public ::testing::Test
{
protected:
    QTemporaryDir root;

    void write(const QString &relative, const QByteArray &content)
    {
        writeFile(root.filePath(relative), content);
    }
    // Files of one folder under /sys/class, given as "file=value ...", each value with a newline.
    void sys(const QString &folder, const QString &files)
    {
        for (const QString &file : files.split(' '))
            write("sys/class/" + folder + '/' + file.section('=', 0, 0),
                  file.section('=', 1).toUtf8() + '\n');
    }
    ProcSystemStats make()
    {
        return ProcSystemStats(root.filePath("proc"), root.filePath("sys"), root.path());
    }
};

} // namespace

TEST_F(ProcTree, CpuLineFoldsIrqIntoSystemIowaitIntoIdleMemoryUsedIsTotalLessAvailable)
{
    // user nice system idle iowait irq softirq steal guest guest_nice
    write("proc/stat", "cpu  100 5 50 800 20 3 2 1 7 9\ncpu0 50 2 25 400\n");
    const CpuTicks ticks = make().cpuTicks().value_or(CpuTicks{});
    // Guest time is already inside user.
    EXPECT_EQ(std::tuple(ticks.user, ticks.nice, ticks.system, ticks.idle),
              std::tuple(100u, 5u, 56u, 820u));

    write("proc/stat", "cpu  1 2 3 4"); // four fields, no newline
    EXPECT_EQ(make().cpuTicks()->idle, 4u);

    EXPECT_DOUBLE_EQ(make().physicalMemoryBytes(), 0); // no file
    write("proc/meminfo",
          "MemTotal:       16000000 kB\nMemFree:   1000000 kB\n"
          "MemAvailable:    4000000 kB\n");
    ProcSystemStats stats = make();
    const MemoryFigures memory = stats.memory().value_or(MemoryFigures{});
    EXPECT_EQ(std::pair(memory.usedBytes, memory.totalBytes),
              std::pair(12000000.0 * 1024, 16000000.0 * 1024));

    // Malformed files read as nothing; the installed size, read once, stays.
    const std::pair<QString, QByteArray> malformed[]
        = {{"stat", "cpu  1 2 3\n"},   {"stat", "cpu  1 2 x 4\n"},
           {"stat", "cpu0 1 2 3 4\n"}, {"stat", "cpu  1 -2 3 4\n"},
           {"stat", QByteArray()},     {"stat", kBinary},
           {"meminfo", kBinary},       {"meminfo", "MemTotal:       16000000 kB\n"}};
    for (const auto &[file, bad] : malformed) {
        write("proc/" + file, bad);
        EXPECT_FALSE(file == "stat" ? stats.cpuTicks().has_value() : stats.memory().has_value())
            << bad.toStdString();
    }
    EXPECT_DOUBLE_EQ(stats.physicalMemoryBytes(), 16000000.0 * 1024);

    // A process's times and resident pages; its name may hold spaces and parentheses.
    const quint64 tick = 1000000000ULL / quint64(::sysconf(_SC_CLK_TCK));
    write("proc/42/stat",
          "42 (a) (b c) S 1 2 3 4 5 6 7 8 9 10 200 100 0 0 20 0 1 0 77 4096000 300 18446744\n");
    const std::optional<ProcessTaskInfo> info = stats.taskInfo(42);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->cpuNanos, 300 * tick);
    EXPECT_DOUBLE_EQ(info->residentBytes, 300.0 * double(::sysconf(_SC_PAGESIZE)));
    write("proc/42/stat", "42 (a) S 1 2 3 4 5 6 7 8 9 10 200\n"); // cut before stime
    EXPECT_FALSE(stats.taskInfo(42).has_value());
    write("proc/42/stat", "42 (a) S 1 2 3 4 5 6 7 8 9 10 200 100 0 0 20 0 1 0 77 4096000\n");
    EXPECT_FALSE(stats.taskInfo(42).has_value()); // cut before the resident pages
    EXPECT_FALSE(stats.taskInfo(43).has_value());
}

TEST_F(ProcTree, OnlyTheMachinesOwnBatteryIsInternalAndItsLevelFallsBackToEnergyThenCharge)
{
    const std::optional<QList<PowerSource>> none = make().powerSources();
    ASSERT_TRUE(none.has_value()); // no power supplies at all: a desktop, not a failure
    EXPECT_TRUE(none->isEmpty());

    sys("power_supply/AC", "type=Mains");
    sys("power_supply/BAT0", "type=Battery capacity=81 status=Charging");
    sys("power_supply/BAT1", "type=Battery present=0"); // an empty second bay
    sys("power_supply/hidpp_battery_0", "type=Battery scope=Device"); // a wireless mouse
    sys("power_supply/broken", "status=Full");
    write("sys/class/power_supply/garbage/type", kBinary);
    // Each internal battery's level, its maximum and whether it charges.
    using Level = std::tuple<std::optional<double>, std::optional<double>, bool>;
    const auto internal = [&] {
        QList<Level> found;
        for (const PowerSource &s : make().powerSources().value_or(QList<PowerSource>())) {
            if (s.internalBattery)
                found << Level{s.currentCapacity, s.maxCapacity, s.isCharging};
        }
        return found;
    };
    EXPECT_EQ(internal(), (QList<Level>{{81, 100, true}}));
    sys("power_supply/BAT0",
        "capacity=n/a status=Discharging energy_now=30000000 "
        "energy_full=60000000 charge_now=1 charge_full=4");
    EXPECT_EQ(internal(), (QList<Level>{{30000000, 60000000, false}}));
    QFile::remove(root.filePath("sys/class/power_supply/BAT0/energy_full"));
    EXPECT_EQ(internal(), (QList<Level>{{1, 4, false}}));
}

// One reader across a minute of readings, as the readouts use it.
TEST_F(ProcTree, PluggedInBatteriesAppearWithinHalfAMinuteAndOneTakenOutGoesAtOnce)
{
    ProcSystemStats stats = make();
    const auto levels = [&] {
        QList<double> found;
        for (const PowerSource &s : stats.powerSources().value_or(QList<PowerSource>())) {
            if (s.internalBattery)
                found << s.currentCapacity.value_or(-1);
        }
        return found;
    };
    EXPECT_TRUE(levels().isEmpty());
    sys("power_supply/BAT0", "type=Battery capacity=81 status=Discharging");
    int readings = 1;
    while (levels().isEmpty() && readings < 31)
        ++readings;
    EXPECT_LE(readings, 30);
    EXPECT_EQ(levels(), QList<double>{81});

    // The level and the charging state are read afresh every time.
    sys("power_supply/BAT0", "capacity=80 status=Charging");
    EXPECT_EQ(levels(), QList<double>{80});
    EXPECT_TRUE(stats.powerSources()->constFirst().isCharging);

    // A second bay's battery taken out, folder and all, is not a battery at 0 %.
    sys("power_supply/BAT1", "type=Battery capacity=40 status=Discharging");
    for (int n = 0; n < 30; ++n)
        levels();
    ASSERT_EQ(levels(), (QList<double>{80, 40}));
    ASSERT_TRUE(QDir(root.filePath("sys/class/power_supply/BAT1")).removeRecursively());
    EXPECT_EQ(levels(), QList<double>{80});
    // And a folder that cannot be listed any more answers nothing rather than no battery.
    ASSERT_TRUE(QDir(root.filePath("sys/class/power_supply")).removeRecursively());
    write("sys/class/power_supply", "not a folder");
    for (int n = 0; n < 30; ++n)
        stats.powerSources();
    EXPECT_FALSE(stats.powerSources().has_value());
}

TEST_F(ProcTree, ThermalStateComesFromTheHottestZonesTripPoints)
{
    EXPECT_EQ(make().thermalState(), ThermalState::nominal); // no zones

    // The hottest zone decides; the "hot" trip point is unused, parked at zero.
    sys("thermal/thermal_zone0",
        "temp=95000 trip_point_0_type=critical trip_point_0_temp=105000 trip_point_1_type=hot "
        "trip_point_1_temp=0 trip_point_2_type=passive trip_point_2_temp=90000 "
        "trip_point_3_type=active trip_point_3_temp=50000");
    sys("thermal/thermal_zone1", "temp=60000 trip_point_0_type=critical trip_point_0_temp=40000");
    write("sys/class/thermal/thermal_zone2/temp", kBinary);
    ProcSystemStats stats = make();
    EXPECT_EQ(stats.thermalState(), ThermalState::fair);

    QSignalSpy changed(&stats, &SystemStats::thermalStateChanged);
    sys("thermal/thermal_zone0", "trip_point_1_temp=100000");
    const std::pair<QByteArray, ThermalState> steps[]
        = {{"89999", ThermalState::nominal},   {"90000", ThermalState::fair},
           {"99999", ThermalState::fair},      {"100000", ThermalState::serious},
           {"105000", ThermalState::critical}, {"120000", ThermalState::critical}};
    for (const auto &[temp, expected] : steps) {
        sys("thermal/thermal_zone0", "temp=" + temp);
        stats.checkThermal();
        EXPECT_EQ(stats.thermalState(), expected) << temp.toStdString();
    }
    EXPECT_EQ(changed.count(), 4); // only changes are signalled
}

TEST(ProcSystemStats, ReadsThisMachine)
{
    ProcSystemStats stats;
    // Figures that were not read stay zero, and fail.
    const CpuTicks ticks = stats.cpuTicks().value_or(CpuTicks{});
    EXPECT_GT(ticks.user + ticks.system + ticks.idle + ticks.nice, 0u);
    const MemoryFigures memory = stats.memory().value_or(MemoryFigures{});
    EXPECT_GT(memory.usedBytes, 0);
    EXPECT_LT(memory.usedBytes, memory.totalBytes);
    EXPECT_DOUBLE_EQ(memory.totalBytes, stats.physicalMemoryBytes());
    EXPECT_TRUE(stats.powerSources().has_value());
    // This process: the kernel's stat line, read whole, holds its resident pages.
    const ProcessTaskInfo self = stats.taskInfo(::getpid()).value_or(ProcessTaskInfo{});
    EXPECT_GT(self.residentBytes, 1e6);
    EXPECT_LT(self.residentBytes, 1e10);
    const VolumeCapacity home = stats.homeVolume().value_or(VolumeCapacity{});
    EXPECT_GT(home.totalBytes, 0);
    EXPECT_LE(home.availableBytes, home.totalBytes);
    EXPECT_FALSE(ProcSystemStats({}, {}, "/nonexistent/home").homeVolume());
}

TEST(ProcessToolRunner, CapturesOutputAndExitStatusAndKillsOrCapsRunaways)
{
    const ToolResult ok
        = ProcessToolRunner().run("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, 5000);
    EXPECT_EQ(std::tuple(ok.started, ok.timedOut, ok.exitStatus, ok.succeeded(), ok.standardOutput,
                         ok.standardError),
              std::tuple(true, false, 3, false, "out\n", "err\n"));

    const ToolResult missing = ProcessToolRunner().run("/nonexistent/vantle-tool", {}, 2000);
    EXPECT_FALSE(missing.started || missing.succeeded());

    const ToolResult hanging = ProcessToolRunner().run("/bin/sleep", {"30"}, 300);
    EXPECT_TRUE(hanging.timedOut && !hanging.succeeded());
    const ToolResult unlimited
        = ProcessToolRunner().run("/bin/sh", {"-c", "sleep 0.3; echo late"}, ToolRunner::kNoLimit);
    EXPECT_TRUE(unlimited.succeeded() && unlimited.standardOutput == "late\n");

    // 8 MiB, over the cap and a pipe's size: the program blocks unless the runner reads as it runs.
    const ToolResult runaway = ProcessToolRunner().run(
        "/bin/sh", {"-c", "head -c 8388608 /dev/zero; echo done >&2"}, 20000);
    EXPECT_EQ(std::tuple(runaway.succeeded(), runaway.standardOutput.size(), runaway.standardError),
              std::tuple(true, ToolRunner::kOutputLimit, "done\n"));
}

TEST(ProcFsProcessTable, ListsOwnProcessWithExecutableUidAndDisplay)
{
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath("/b/Vantle (deleted)"), "/b/Vantle");
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath("/b/Vantle"), "/b/Vantle");
    ProcFsProcessTable table;
    const QList<ProcessEntry> all = table.processes();
    ASSERT_EQ(std::ranges::count(all, ::getpid(), &ProcessEntry::pid), 1);
    const ProcessEntry own = *std::ranges::find(all, ::getpid(), &ProcessEntry::pid);
    EXPECT_EQ(std::pair(own.uid, own.executable), std::pair(::getuid(), table.ownExecutable()));
    EXPECT_TRUE(table.ownExecutable().endsWith("platform_tests"));
    EXPECT_EQ(own.display, table.ownDisplay());
    // A filter sees every process's executable, and only those it keeps are read further.
    QStringList seen;
    const QList<ProcessEntry> kept = table.processes([&](const QString &executable) {
        seen << executable;
        return executable == table.ownExecutable();
    });
    EXPECT_GE(seen.size(), all.size() - 5); // processes come and go meanwhile
    ASSERT_GE(kept.size(), 1);
    for (const ProcessEntry &p : kept)
        EXPECT_EQ(p.executable, table.ownExecutable());
    const ProcessEntry keptOwn = *std::ranges::find(kept, ::getpid(), &ProcessEntry::pid);
    EXPECT_EQ(std::tuple(keptOwn.uid, keptOwn.display, keptOwn.startTime),
              std::tuple(own.uid, own.display, own.startTime));
    EXPECT_GT(own.startTime, 0u);

    using namespace Qt::StringLiterals;
    EXPECT_EQ(ProcFsProcessTable::displayIn("HOME=/h\0DISPLAY=:7.0\0XDISPLAY=:9\0"_ba), ":7.0");
    EXPECT_EQ(ProcFsProcessTable::displayIn("XDISPLAY=:9\0HOME=/h"_ba), "");
    EXPECT_EQ(ProcFsProcessTable::displayIn(QByteArray()), "");
}

TEST(ProcFsProcessTable, TerminateEndsPoliteProcessesAndKillsThoseThatIgnoreTheRequest)
{
    EXPECT_EQ(ProcFsProcessTable::startTimeIn("12 (a) b) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 "
                                              "17 18 987654 20"),
              987654u);
    EXPECT_EQ(ProcFsProcessTable::startTimeIn("12 (short) S 1"), 0u);
    // A child that ignores SIGTERM ends only by the kill after the grace period; an entry whose
    // pid now names another process (another start time or executable) gets no signal at all.
    enum Seen { same, restarted, otherProgram };
    for (const auto &[ignores, grace, seen, signal] : {std::tuple{false, 5000, same, SIGTERM},
                                                       {true, 300, same, SIGKILL},
                                                       {false, 300, restarted, 0},
                                                       {false, 300, otherProgram, 0}}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (ignores)
                ::signal(SIGTERM, SIG_IGN);
            ::execl("/bin/sleep", "sleep", "30", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        // Past the exec, the child runs sleep with its signal disposition in place.
        const QString exe = QStringLiteral("/proc/%1/exe").arg(child);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QFileInfo(exe).canonicalFilePath().endsWith("/sleep"); }, 5000));
        ProcFsProcessTable table;
        const QList<ProcessEntry> all = table.processes();
        ProcessEntry entry = *std::ranges::find(all, child, &ProcessEntry::pid);
        ASSERT_NE(entry.startTime, 0u);
        if (seen == restarted)
            entry.startTime += 1;
        if (seen == otherProgram)
            entry.executable = table.ownExecutable();
        table.terminate(entry, grace);
        int status = 0;
        if (signal == 0) {
            EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "signalled a look-alike";
            ::kill(child, SIGKILL);
        }
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == (signal ? signal : SIGKILL))
            << status;
    }
}

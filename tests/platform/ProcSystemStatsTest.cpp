#include "platform/linux/ProcSystemStats.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>

namespace {

const QByteArray kBinary("\x7f\x45\x4c\x46\x00\x01\xff\xfe cpu \x00 12", 17);

// A private /proc and /sys, written file by file.
class ProcTree : public ::testing::Test
{
protected:
    QTemporaryDir root;

    void write(const QString &relative, const QByteArray &content)
    {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void supply(const char *device, const char *file, const QByteArray &content)
    {
        write(QStringLiteral("sys/class/power_supply/%1/%2").arg(device, file), content + '\n');
    }
    void zone(int n, const QString &file, const QByteArray &content)
    {
        write(QStringLiteral("sys/class/thermal/thermal_zone%1/%2").arg(n).arg(file),
              content + '\n');
    }
    ProcSystemStats make()
    {
        return ProcSystemStats(root.filePath("proc"), root.filePath("sys"), root.path());
    }
};

} // namespace

TEST_F(ProcTree, CpuLineFoldsIrqIntoSystemAndIowaitIntoIdle)
{
    // user nice system idle iowait irq softirq steal guest guest_nice
    write("proc/stat", "cpu  100 5 50 800 20 3 2 1 7 9\ncpu0 50 2 25 400\n");
    const std::optional<CpuTicks> ticks = make().cpuTicks();
    ASSERT_TRUE(ticks.has_value());
    // Guest time is already inside user.
    EXPECT_EQ(QList<quint64>({ticks->user, ticks->nice, ticks->system, ticks->idle}),
              QList<quint64>({100, 5, 56, 820}));

    write("proc/stat", "cpu  1 2 3 4"); // four fields, no newline
    EXPECT_EQ(make().cpuTicks()->idle, 4u);

    for (const QByteArray &bad :
         {QByteArray("cpu  1 2 3\n"), QByteArray("cpu  1 2 x 4\n"), QByteArray("cpu0 1 2 3 4\n"),
          QByteArray("cpu  1 -2 3 4\n"), QByteArray(), kBinary}) {
        write("proc/stat", bad);
        EXPECT_FALSE(make().cpuTicks().has_value()) << bad.toStdString();
    }
}

TEST_F(ProcTree, MemoryUsedIsTotalLessAvailable)
{
    EXPECT_DOUBLE_EQ(make().physicalMemoryBytes(), 0); // no file
    write("proc/meminfo",
          "MemTotal:       16000000 kB\nMemFree:   1000000 kB\n"
          "MemAvailable:    4000000 kB\n");
    ProcSystemStats stats = make();
    const std::optional<MemoryFigures> memory = stats.memory();
    ASSERT_TRUE(memory.has_value());
    EXPECT_DOUBLE_EQ(memory->usedBytes, 12000000.0 * 1024);
    EXPECT_DOUBLE_EQ(memory->totalBytes, 16000000.0 * 1024);

    // The installed size is read once; later unreadable files do not change it.
    write("proc/meminfo", "MemTotal:       16000000 kB\n");
    EXPECT_FALSE(stats.memory().has_value());
    write("proc/meminfo", kBinary);
    EXPECT_FALSE(stats.memory().has_value());
    EXPECT_DOUBLE_EQ(stats.physicalMemoryBytes(), 16000000.0 * 1024);
}

TEST_F(ProcTree, OnlyTheMachinesOwnBatteryIsInternal)
{
    const std::optional<QList<PowerSource>> none = make().powerSources();
    ASSERT_TRUE(none.has_value()); // no power supplies at all: a desktop, not a failure
    EXPECT_TRUE(none->isEmpty());

    supply("AC", "type", "Mains");
    supply("BAT0", "type", "Battery");
    supply("BAT0", "capacity", "81");
    supply("BAT0", "status", "Charging");
    supply("BAT1", "type", "Battery"); // an empty second bay
    supply("BAT1", "present", "0");
    supply("hidpp_battery_0", "type", "Battery"); // a wireless mouse
    supply("hidpp_battery_0", "scope", "Device");
    supply("broken", "status", "Full");
    supply("garbage", "type", kBinary);
    const std::optional<QList<PowerSource>> sources = make().powerSources();
    ASSERT_TRUE(sources.has_value());
    QList<PowerSource> internal;
    std::copy_if(sources->begin(), sources->end(), std::back_inserter(internal),
                 [](const PowerSource &s) { return s.internalBattery; });
    ASSERT_EQ(internal.size(), 1);
    EXPECT_EQ(internal[0].currentCapacity, 81);
    EXPECT_EQ(internal[0].maxCapacity, 100);
    EXPECT_TRUE(internal[0].isCharging);
}

TEST_F(ProcTree, BatteryWithoutPercentageFallsBackToEnergyThenCharge)
{
    for (const auto &[file, value] : {std::pair{"type", "Battery"},
                                      {"capacity", "n/a"},
                                      {"energy_now", "30000000"},
                                      {"energy_full", "60000000"},
                                      {"charge_now", "1"},
                                      {"charge_full", "4"}})
        supply("BAT0", file, value);
    PowerSource battery = make().powerSources()->value(0);
    EXPECT_EQ(battery.currentCapacity, 30000000);
    EXPECT_EQ(battery.maxCapacity, 60000000);
    EXPECT_FALSE(battery.isCharging);

    QFile::remove(root.filePath("sys/class/power_supply/BAT0/energy_full"));
    battery = make().powerSources()->value(0);
    EXPECT_EQ(battery.currentCapacity, 1);
    EXPECT_EQ(battery.maxCapacity, 4);
}

TEST_F(ProcTree, ThermalStateComesFromTheHottestZonesTripPoints)
{
    EXPECT_EQ(make().thermalState(), ThermalState::nominal); // no zones

    // The hottest zone decides; the "hot" trip point is unused, parked at zero.
    zone(0, "temp", "95000");
    for (const auto &[n, type, temp] : {std::tuple{0, "critical", "105000"},
                                        {1, "hot", "0"},
                                        {2, "passive", "90000"},
                                        {3, "active", "50000"}}) {
        zone(0, QStringLiteral("trip_point_%1_type").arg(n), type);
        zone(0, QStringLiteral("trip_point_%1_temp").arg(n), temp);
    }
    zone(1, "temp", "60000");
    zone(1, "trip_point_0_type", "critical");
    zone(1, "trip_point_0_temp", "40000");
    zone(2, "temp", kBinary);
    ProcSystemStats stats = make();
    EXPECT_EQ(stats.thermalState(), ThermalState::fair);

    QSignalSpy changed(&stats, &SystemStats::thermalStateChanged);
    zone(0, "trip_point_1_temp", "100000");
    const std::pair<QByteArray, ThermalState> steps[]
        = {{"89999", ThermalState::nominal},   {"90000", ThermalState::fair},
           {"99999", ThermalState::fair},      {"100000", ThermalState::serious},
           {"105000", ThermalState::critical}, {"120000", ThermalState::critical}};
    for (const auto &[temp, expected] : steps) {
        zone(0, "temp", temp);
        stats.checkThermal();
        EXPECT_EQ(stats.thermalState(), expected) << temp.toStdString();
    }
    EXPECT_EQ(changed.count(), 4); // only changes are signalled
}

TEST(ProcSystemStats, ReadsThisMachine)
{
    ProcSystemStats stats;
    const std::optional<CpuTicks> ticks = stats.cpuTicks();
    ASSERT_TRUE(ticks.has_value());
    EXPECT_GT(ticks->user + ticks->system + ticks->idle + ticks->nice, 0u);
    const std::optional<MemoryFigures> memory = stats.memory();
    ASSERT_TRUE(memory.has_value());
    EXPECT_GT(memory->usedBytes, 0);
    EXPECT_LT(memory->usedBytes, memory->totalBytes);
    EXPECT_DOUBLE_EQ(memory->totalBytes, stats.physicalMemoryBytes());
    EXPECT_TRUE(stats.powerSources().has_value());
    const std::optional<VolumeCapacity> home = stats.homeVolume();
    ASSERT_TRUE(home.has_value());
    EXPECT_GT(home->totalBytes, 0);
    EXPECT_LE(home->availableBytes, home->totalBytes);
    EXPECT_FALSE(ProcSystemStats({}, {}, "/nonexistent/home").homeVolume());
}

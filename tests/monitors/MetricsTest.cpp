#include "monitors/SystemMetricsService.h"

#include "fakes/FakeClock.h"
#include "fakes/FakeSystemStats.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

constexpr double kGiB = 1073741824.0;

class Metrics : public ::testing::Test
{
protected:
    FakeSystemStats stats;
    FakeClock clock;
    SystemMetricsService service{stats, clock};

    void ticks(int n)
    {
        while (n--)
            service.tick();
    }
    static PowerSource mouse()
    {
        PowerSource p = FakeSystemStats::battery(60);
        p.internalBattery = false;
        return p;
    }
};

} // namespace

TEST_F(Metrics, FirstInternalBatteryIsReadAndNoneIsAbsentAtEverySample)
{
    for (const QList<PowerSource> &sources : {QList<PowerSource>{}, QList<PowerSource>{mouse()}}) {
        stats.power = sources;
        service.start();
        for (int i = 0; i < 3; ++i, service.tick())
            EXPECT_FALSE(service.hasBattery() || service.batteryPercent());
    }
    stats.power = QList<PowerSource>{mouse(), FakeSystemStats::battery(40, 80, true),
                                     FakeSystemStats::battery(90)};
    service.tick();
    EXPECT_TRUE(service.hasBattery());
    EXPECT_TRUE(service.isCharging());
    // Max 0: the raw current; max missing: out of 100; current missing: 0.
    const std::pair<PowerSource, double> rows[] = {{FakeSystemStats::battery(40, 80, true), 50},
                                                   {FakeSystemStats::battery(37, 0), 37},
                                                   {{true, 42.0, std::nullopt, false}, 42},
                                                   {{true, std::nullopt, 80.0, false}, 0}};
    for (const auto &[battery, percent] : rows) {
        stats.power = QList<PowerSource>{mouse(), battery};
        service.tick();
        EXPECT_DOUBLE_EQ(service.batteryPercent().value_or(-1), percent);
    }
    stats.power = QList<PowerSource>{mouse()}; // battery taken out
    service.tick();
    EXPECT_FALSE(service.hasBattery() || service.batteryPercent());
}

TEST_F(Metrics, FailingSourcesKeepTheirValuesAndNeverStopTheOthers)
{
    stats.power = QList<PowerSource>{FakeSystemStats::battery(50, 100, true)};
    stats.addCpu(100, 100);
    service.start();
    stats.power.reset();
    stats.volume.reset();
    stats.addCpu(30, 70);
    stats.mem = MemoryFigures{8 * kGiB, 16 * kGiB};
    ticks(30); // crosses a disk sample
    EXPECT_TRUE(service.hasBattery());
    EXPECT_DOUBLE_EQ(service.batteryPercent().value_or(-1), 50);
    EXPECT_TRUE(service.isCharging());
    EXPECT_DOUBLE_EQ(service.diskFreeGB(), 200);
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 30);
    EXPECT_DOUBLE_EQ(service.memoryUsedGB(), 8);

    // The next good CPU reading is measured from the last good one.
    stats.cpu.reset();
    stats.mem.reset();
    service.tick();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 30);
    EXPECT_DOUBLE_EQ(service.memoryUsedGB(), 8);
    stats.cpu = CpuTicks{130 + 20, 0, 170 + 60, 0};
    service.tick();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 25);
}

TEST_F(Metrics, CpuIsTheBusyShareBetweenTwoReadings)
{
    stats.cpu = CpuTicks{5000, 1000, 4000, 0};
    service.start();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 0); // nothing to compare with yet

    stats.cpu = CpuTicks{5010, 1010, 4075, 5}; // user, system and nice are all busy
    service.tick();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 25);
    service.tick(); // no ticks passed
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 25);

    // Idle ran backwards while the rest moved on: no absurd figure, and the next interval is
    // measured from the new reading.
    stats.cpu->idle = 10;
    stats.addCpu(90, 0);
    service.tick();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 25);
    stats.addCpu(70, 30);
    service.tick();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 70);
}

TEST_F(Metrics, MemoryPressureBoundaries)
{
    EXPECT_DOUBLE_EQ(service.memoryTotalGB(), 0);
    service.start();
    EXPECT_DOUBLE_EQ(service.memoryTotalGB(), 16);
    const std::pair<double, MemoryPressure> cases[] = {{0.75, MemoryPressure::normal},
                                                       {0.7501, MemoryPressure::warning},
                                                       {0.9, MemoryPressure::warning},
                                                       {0.9001, MemoryPressure::critical}};
    for (const auto &[ratio, expected] : cases) {
        stats.mem = MemoryFigures{ratio * stats.physical, stats.physical};
        service.tick();
        EXPECT_EQ(service.memoryPressure(), expected) << ratio;
        EXPECT_DOUBLE_EQ(service.memoryUsedGB(), ratio * 16);
    }

    stats.physical = 0; // unknown size: the bytes themselves are the ratio
    SystemMetricsService unknown(stats, clock);
    unknown.start();
    EXPECT_EQ(unknown.memoryPressure(), MemoryPressure::critical);
}

TEST_F(Metrics, DiskIsReadInDecimalGigabytesEveryThirtySamples)
{
    service.start(); // sample 0
    EXPECT_EQ(std::pair(service.diskFreeGB(), service.diskTotalGB()), std::pair(200.0, 500.0));
    stats.volume = VolumeCapacity{150e9, 500e9};
    QList<int> reads;
    for (int sample = 1; sample <= 60; ++sample, service.tick())
        reads << stats.volumeReads;
    EXPECT_EQ(reads.mid(0, 30), QList<int>(30, 1));
    EXPECT_EQ(reads[30], 2);
    EXPECT_EQ(stats.volumeReads, 3);
    EXPECT_DOUBLE_EQ(service.diskFreeGB(), 150);
}

TEST_F(Metrics, HiddenHUDFreezesReadoutsButThermalFollows)
{
    stats.thermal = ThermalState::fair;
    SystemMetricsService fresh(stats, clock);
    EXPECT_EQ(fresh.thermal(), ThermalState::fair); // the state at creation

    fresh.start();
    EXPECT_EQ(fresh.tickCount(), 1);
    EXPECT_FALSE(fresh.isSampling());
    clock.advance(5);
    fresh.setHUDVisible(true); // samples at once
    EXPECT_EQ(fresh.now(), clock.now());
    EXPECT_TRUE(fresh.isSampling());
    fresh.setHUDVisible(false);
    EXPECT_FALSE(fresh.isSampling());
    const int samples = fresh.tickCount();

    clock.advance(60);
    stats.power = QList<PowerSource>{FakeSystemStats::battery(20)};
    stats.addCpu(50, 50);
    stats.mem = MemoryFigures{15 * kGiB, 16 * kGiB};
    QCoreApplication::processEvents();
    QSignalSpy changed(&fresh, &SystemMetricsService::changed);
    stats.setThermal(ThermalState::critical);
    EXPECT_EQ(fresh.thermal(), ThermalState::critical);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(fresh.tickCount(), samples);
    EXPECT_EQ(fresh.now(), clock.now().addSecs(-60));
    EXPECT_FALSE(fresh.hasBattery());
    EXPECT_DOUBLE_EQ(fresh.cpuPercent(), 0);
    EXPECT_DOUBLE_EQ(fresh.memoryUsedGB(), 4);

    fresh.setHUDVisible(true);
    fresh.stop();
    EXPECT_FALSE(fresh.isSampling());
}

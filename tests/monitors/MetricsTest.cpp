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
    // Max 0: the raw current; max missing: out of 100; current missing: 0.
    const std::pair<QList<PowerSource>, double> rows[]
        = {{{mouse(), FakeSystemStats::battery(40, 80, true), FakeSystemStats::battery(90)}, 50},
           {{mouse(), FakeSystemStats::battery(37, 0)}, 37},
           {{mouse(), {true, 42.0, std::nullopt, false}}, 42},
           {{mouse(), {true, std::nullopt, 80.0, false}}, 0}};
    for (const auto &[sources, percent] : rows) {
        stats.power = sources;
        service.tick();
        EXPECT_TRUE(service.hasBattery());
        EXPECT_DOUBLE_EQ(service.batteryPercent().value_or(-1), percent);
        EXPECT_EQ(service.isCharging(), percent == 50);
    }
    stats.power = QList<PowerSource>{mouse()}; // battery taken out
    service.tick();
    EXPECT_FALSE(service.hasBattery() || service.batteryPercent());
}

TEST_F(Metrics, FailingSourcesKeepTheirValuesAndNeverStopTheOthers)
{
    stats.power = QList<PowerSource>{FakeSystemStats::battery(50, 100, true)};
    service.start();
    stats.power.reset();
    stats.volume.reset();
    stats.mem = MemoryFigures{8 * kGiB, 16 * kGiB};
    for (int i = 0; i < 30; ++i) // crosses a disk sample
        service.tick();
    EXPECT_TRUE(service.hasBattery() && service.isCharging());
    EXPECT_DOUBLE_EQ(service.batteryPercent().value_or(-1), 50);
    EXPECT_DOUBLE_EQ(service.diskFreeGB(), 200);
    EXPECT_DOUBLE_EQ(service.memoryUsedGB(), 8);
    stats.mem.reset();
    service.tick();
    EXPECT_DOUBLE_EQ(service.memoryUsedGB(), 8);
}

TEST_F(Metrics, CpuIsTheBusyShareBetweenTwoGoodReadings)
{
    stats.cpu = CpuTicks{5000, 1000, 4000, 0}; // user, system, idle, nice
    service.start();
    EXPECT_DOUBLE_EQ(service.cpuPercent(), 0); // nothing to compare with yet
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
    stats.mem = MemoryFigures{15 * kGiB, 16 * kGiB};
    QCoreApplication::processEvents();
    QSignalSpy changed(&fresh, &SystemMetricsService::changed);
    stats.setThermal(ThermalState::critical);
    EXPECT_EQ(fresh.thermal(), ThermalState::critical);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(fresh.tickCount(), samples);
    EXPECT_DOUBLE_EQ(fresh.memoryUsedGB(), 4);
}

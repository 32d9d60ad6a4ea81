#include "monitors/SystemMetricsService.h"

#include "platform/Clock.h"

#include <QTimer>

#include <cmath>

namespace {
constexpr int kSampleIntervalMs = 1000;
constexpr int kDiskEvery = 30;
constexpr double kBytesPerGiB = 1073741824.0; // 2^30
constexpr double kBytesPerGB = 1e9;

// A reading that is missing, NaN or infinite counts as not given.
std::optional<double> finite(std::optional<double> value)
{
    if (value && std::isfinite(*value))
        return value;
    return std::nullopt;
}

MemoryPressure pressureFor(double ratio)
{
    if (ratio > 0.9)
        return MemoryPressure::critical;
    if (ratio > 0.75)
        return MemoryPressure::warning;
    return MemoryPressure::normal;
}
} // namespace

namespace MemoryPressures {
QString rawValue(MemoryPressure p)
{
    switch (p) {
    case MemoryPressure::normal:
        return QStringLiteral("Normal");
    case MemoryPressure::warning:
        return QStringLiteral("Elevated");
    case MemoryPressure::critical:
        return QStringLiteral("Critical");
    }
    return QStringLiteral("Normal");
}

std::optional<MemoryPressure> fromRawValue(const QString &raw)
{
    for (MemoryPressure p :
         {MemoryPressure::normal, MemoryPressure::warning, MemoryPressure::critical}) {
        if (raw == rawValue(p))
            return p;
    }
    return std::nullopt;
}
} // namespace MemoryPressures

SystemMetricsService::SystemMetricsService(SystemStats &stats, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_stats(stats)
    , m_clock(clock)
    , m_timer(new QTimer(this))
    , m_totalMemoryBytes(stats.physicalMemoryBytes())
    , m_now(clock.now())
    , m_thermal(stats.thermalState())
{
    m_timer->setInterval(kSampleIntervalMs);
    // Whole-second timers fire together on the second: the readouts' polls share one wake-up.
    m_timer->setTimerType(Qt::VeryCoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &SystemMetricsService::tick);
}

SystemMetricsService::~SystemMetricsService() = default;

void SystemMetricsService::start()
{
    if (!m_thermalSubscribed) {
        // The platform may signal from wherever it watches; the context object queues the
        // work onto this object's thread when that is not the caller's.
        connect(&m_stats, &SystemStats::thermalStateChanged, this,
                &SystemMetricsService::publishThermal);
        m_thermalSubscribed = true;
    }
    m_memoryTotalGB = m_totalMemoryBytes / kBytesPerGiB;
    tick(); // announces the total along with the first sample
}

void SystemMetricsService::setHUDVisible(bool visible)
{
    m_hudVisible = visible;
    m_timer->stop();
    if (!visible)
        return;
    tick();
    m_timer->start();
}

void SystemMetricsService::stop()
{
    m_timer->stop();
}

bool SystemMetricsService::isSampling() const
{
    return m_timer->isActive();
}

void SystemMetricsService::tick()
{
    m_now = m_clock.now();
    sampleBattery();
    sampleCpu();
    sampleMemory();
    if (m_tickCount % kDiskEvery == 0)
        sampleDisk();
    ++m_tickCount;
    emit changed();
}

void SystemMetricsService::sampleBattery()
{
    const std::optional<QList<PowerSource>> sources = m_stats.powerSources();
    // A query that could not be answered says nothing about the battery; the last reading
    // stands rather than flickering to "no battery".
    if (!sources)
        return;
    for (const PowerSource &source : *sources) {
        if (!source.internalBattery)
            continue;
        const double current = finite(source.currentCapacity).value_or(0);
        const double max = finite(source.maxCapacity).value_or(100);
        m_batteryPercent = max > 0 ? current / max * 100 : current;
        m_isCharging = source.isCharging;
        m_hasBattery = true;
        return;
    }
    m_hasBattery = false;
    m_batteryPercent.reset();
}

void SystemMetricsService::sampleCpu()
{
    const std::optional<CpuTicks> ticks = m_stats.cpuTicks();
    if (!ticks)
        return;
    const std::optional<CpuTicks> previous = m_previousCpu;
    m_previousCpu = ticks;
    if (!previous)
        return;
    // A counter that ran backwards (wrapped, or the source was reset) makes every delta of this
    // interval meaningless; skip it and measure from the new reading.
    if (ticks->user < previous->user || ticks->system < previous->system
        || ticks->idle < previous->idle || ticks->nice < previous->nice)
        return;
    const double busy = double(ticks->user - previous->user)
        + double(ticks->system - previous->system) + double(ticks->nice - previous->nice);
    const double total = busy + double(ticks->idle - previous->idle);
    if (total > 0)
        m_cpuPercent = busy / total * 100;
}

void SystemMetricsService::sampleMemory()
{
    const std::optional<MemoryFigures> memory = m_stats.memory();
    if (!memory)
        return;
    const double used = memory->usedBytes;
    m_memoryUsedGB = used / kBytesPerGiB;
    const double ratio = m_totalMemoryBytes > 1 ? used / m_totalMemoryBytes : used;
    m_memoryPressure = pressureFor(ratio);
}

void SystemMetricsService::sampleDisk()
{
    const std::optional<VolumeCapacity> volume = m_stats.homeVolume();
    if (!volume)
        return;
    m_diskFreeGB = volume->availableBytes / kBytesPerGB;
    m_diskTotalGB = volume->totalBytes / kBytesPerGB;
}

void SystemMetricsService::publishThermal()
{
    m_thermal = m_stats.thermalState();
    emit changed();
}

#pragma once

#include "platform/SystemStats.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class Clock;
class QTimer;

enum class MemoryPressure { normal, warning, critical };

namespace MemoryPressures {
QString rawValue(MemoryPressure p); // "Normal", "Elevated", "Critical"
std::optional<MemoryPressure> fromRawValue(const QString &raw);
} // namespace MemoryPressures

// The machine-wide readouts in one observable object: clock, battery, CPU, memory and its
// pressure, heat and free disk. Samples once a second, and only while the HUD is on screen.
class SystemMetricsService final : public QObject
{
    Q_OBJECT
public:
    SystemMetricsService(SystemStats &stats, const Clock &clock, QObject *parent = nullptr);
    ~SystemMetricsService() override;

    QDateTime now() const { return m_now; }
    std::optional<double> batteryPercent() const { return m_batteryPercent; }
    bool isCharging() const { return m_isCharging; }
    bool hasBattery() const { return m_hasBattery; }
    double cpuPercent() const { return m_cpuPercent; }
    double memoryUsedGB() const { return m_memoryUsedGB; }
    double memoryTotalGB() const { return m_memoryTotalGB; }
    MemoryPressure memoryPressure() const { return m_memoryPressure; }
    ThermalState thermal() const { return m_thermal; }
    double diskFreeGB() const { return m_diskFreeGB; }
    double diskTotalGB() const { return m_diskTotalGB; }

    void start();
    void setHUDVisible(bool visible);
    void stop();

    // One full sample; what the one-second timer runs.
    void tick();
    int tickCount() const { return m_tickCount; }
    bool isSampling() const;

signals:
    // Any published value was assigned.
    void changed();

private:
    void sampleBattery();
    void sampleCpu();
    void sampleMemory();
    void sampleDisk();
    void publishThermal();

    SystemStats &m_stats;
    const Clock &m_clock;
    QTimer *m_timer = nullptr; // child of the service, so it dies with it
    int m_tickCount = 0;
    std::optional<CpuTicks> m_previousCpu;
    bool m_hudVisible = false;
    bool m_thermalSubscribed = false;
    double m_totalMemoryBytes = 0;

    QDateTime m_now;
    std::optional<double> m_batteryPercent;
    bool m_isCharging = false;
    bool m_hasBattery = false;
    double m_cpuPercent = 0;
    double m_memoryUsedGB = 0;
    double m_memoryTotalGB = 0;
    MemoryPressure m_memoryPressure = MemoryPressure::normal;
    ThermalState m_thermal = ThermalState::nominal;
    double m_diskFreeGB = 0;
    double m_diskTotalGB = 0;
};

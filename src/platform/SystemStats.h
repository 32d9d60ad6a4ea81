#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

#include <sys/types.h>

// Cumulative whole-machine CPU time, in clock ticks since boot.
struct CpuTicks
{
    quint64 user = 0;
    quint64 system = 0;
    quint64 idle = 0;
    quint64 nice = 0;
};

struct MemoryFigures
{
    double usedBytes = 0;
    double totalBytes = 0;
};

// One power source. `internalBattery` marks the machine's own battery (not a mouse's or a UPS).
struct PowerSource
{
    bool internalBattery = false;
    std::optional<double> currentCapacity; // in units of `maxCapacity`
    std::optional<double> maxCapacity;
    bool isCharging = false;
};

enum class ThermalState { nominal, fair, serious, critical };

// One process's figures: CPU time so far and resident memory.
struct ProcessTaskInfo
{
    quint64 cpuNanos = 0;
    double residentBytes = 0;
};

struct VolumeCapacity
{
    double availableBytes = 0;
    double totalBytes = 0;
};

// Machine-wide figures. Every query answers nothing when the source cannot be read.
class SystemStats : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SystemStats() override = default;

    virtual std::optional<CpuTicks> cpuTicks() const = 0;
    virtual std::optional<MemoryFigures> memory() const = 0;
    // Installed memory in bytes, 0 when unknown.
    virtual double physicalMemoryBytes() const = 0;
    // The power sources in the system's order; nothing when the query failed, an empty list
    // when the machine has none.
    virtual std::optional<QList<PowerSource>> powerSources() const = 0;
    virtual ThermalState thermalState() const = 0;
    // The volume that holds the home folder.
    virtual std::optional<VolumeCapacity> homeVolume() const = 0;
    // Nothing when the process is gone or cannot be read.
    virtual std::optional<ProcessTaskInfo> taskInfo(pid_t pid) const = 0;
    // Processors online, at least 1.
    virtual int processorCount() const = 0;

signals:
    // The thermal state changed; emitted on the main thread.
    void thermalStateChanged();
};

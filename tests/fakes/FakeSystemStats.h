#pragma once

#include "platform/SystemStats.h"

#include <QHash>

// Figures set by the test. A field left empty answers "could not read".
class FakeSystemStats final : public SystemStats
{
public:
    std::optional<CpuTicks> cpu = CpuTicks{};
    std::optional<MemoryFigures> mem = MemoryFigures{4.0 * (1 << 30), 16.0 * (1 << 30)};
    double physical = 16.0 * (1 << 30);
    std::optional<QList<PowerSource>> power = QList<PowerSource>{};
    ThermalState thermal = ThermalState::nominal;
    std::optional<VolumeCapacity> volume = VolumeCapacity{200e9, 500e9};

    mutable int volumeReads = 0;

    std::optional<CpuTicks> cpuTicks() const override { return cpu; }
    std::optional<MemoryFigures> memory() const override { return mem; }
    double physicalMemoryBytes() const override { return physical; }
    std::optional<QList<PowerSource>> powerSources() const override { return power; }
    ThermalState thermalState() const override { return thermal; }
    std::optional<VolumeCapacity> homeVolume() const override
    {
        ++volumeReads;
        return volume;
    }

    QHash<pid_t, ProcessTaskInfo> tasks;
    int cores = 8;
    std::optional<ProcessTaskInfo> taskInfo(pid_t pid) const override
    {
        return tasks.contains(pid) ? std::optional(tasks.value(pid)) : std::nullopt;
    }
    int processorCount() const override { return cores; }

    void setThermal(ThermalState t)
    {
        thermal = t;
        emit thermalStateChanged();
    }
    // Adds busy and idle ticks to the CPU counters.
    void addCpu(quint64 busy, quint64 idle)
    {
        if (!cpu)
            cpu = CpuTicks{};
        cpu->user += busy;
        cpu->idle += idle;
    }
    static PowerSource battery(double current, double max = 100, bool charging = false)
    {
        return {true, current, max, charging};
    }
};

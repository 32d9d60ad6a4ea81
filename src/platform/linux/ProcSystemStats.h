#pragma once

#include "platform/SystemStats.h"

#include <QDir>
#include <QString>

class QTimer;

// Machine figures from procfs, sysfs and statvfs. The roots are parameters so a test can point
// the reader at a tree of its own.
class ProcSystemStats final : public SystemStats
{
    Q_OBJECT
public:
    explicit ProcSystemStats(QString procRoot = QStringLiteral("/proc"),
                             QString sysRoot = QStringLiteral("/sys"),
                             QString homePath = QDir::homePath(), QObject *parent = nullptr);

    std::optional<CpuTicks> cpuTicks() const override;
    std::optional<MemoryFigures> memory() const override;
    double physicalMemoryBytes() const override { return m_physicalMemoryBytes; }
    std::optional<QList<PowerSource>> powerSources() const override;
    ThermalState thermalState() const override { return m_thermal; }
    std::optional<VolumeCapacity> homeVolume() const override;
    std::optional<ProcessTaskInfo> taskInfo(pid_t pid) const override;
    int processorCount() const override;

    // Reads the thermal zones again and signals when the state moved. The five-second timer
    // runs it; tests call it directly.
    void checkThermal();

private:
    // A power supply as listed: its sysfs folder, and whether it is a battery of the machine's
    // own rather than a device's.
    struct PowerSupply
    {
        QString device;
        bool battery = false;
    };

    ThermalState readThermal() const;
    void listPowerSupplies() const;

    QString m_procRoot;
    QString m_sysRoot;
    QString m_homePath;
    double m_physicalMemoryBytes = 0;
    ThermalState m_thermal = ThermalState::nominal;
    QTimer *m_thermalTimer = nullptr;
    QStringList m_thermalZones;
    mutable QList<PowerSupply> m_supplies;
    mutable bool m_suppliesListed = false;
    mutable int m_readsSinceListing = 0;
};

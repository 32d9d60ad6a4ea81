#include "ui/widgets/TargetReadoutAdapter.h"

ThreatTier threatTier(Threat threat)
{
    switch (threat) {
    case Threat::inactive:
        return ThreatTier::inactive;
    case Threat::friendly:
        return ThreatTier::friendly;
    case Threat::active:
        return ThreatTier::active;
    case Threat::strong:
        return ThreatTier::strong;
    case Threat::overwhelming:
        return ThreatTier::overwhelming;
    case Threat::lethal:
        return ThreatTier::lethal;
    }
    return ThreatTier::inactive;
}

TargetReadout targetReadout(const TargetMonitor &monitor)
{
    TargetReadout readout;
    readout.name = monitor.name();
    readout.tier = threatTier(monitor.threat());
    readout.tierLabel = TargetMonitor::label(monitor.threat());
    readout.cpuPercent = monitor.cpuPercent();
    readout.memoryGB = monitor.memoryGB();
    readout.isNPC = monitor.isNPC();
    readout.cramped = monitor.cramped();
    return readout;
}

#pragma once

#include "monitors/TargetMonitor.h"
#include "ui/widgets/TargetReadout.h"

// The view's tier for the monitor's threat; the two enumerations list the same six tiers.
ThreatTier threatTier(Threat threat);

// What the target cursor and the quest log draw for the monitor's current target.
TargetReadout targetReadout(const TargetMonitor &monitor);

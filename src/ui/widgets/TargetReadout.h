#pragma once

#include <QString>

// How hard the target process works the machine, by its CPU use in percent of one core.
enum class ThreatTier { inactive, friendly, active, strong, overwhelming, lethal };

// What the target readouts show about the window under the pointer. The target monitor fills
// it; the views only draw it.
struct TargetReadout
{
    QString name = QStringLiteral("Desktop");
    ThreatTier tier = ThreatTier::inactive;
    QString tierLabel = QStringLiteral("Idle");
    double cpuPercent = 0; // of one core
    double memoryGB = 0;
    bool isNPC = false;
    // The label would not fit beside the gazed window, so only the diamond is drawn.
    bool cramped = false;
};

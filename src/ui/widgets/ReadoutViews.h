#pragma once

#include "hud/HUDWidgetID.h"
#include "platform/UserAccount.h"
#include "ui/CoreSoundEngine.h"

#include <QString>

#include <functional>

class HUDVisibility;
class QWidget;
class SystemMetricsService;
class TargetMonitor;

// What the readout views are built over: the models that exist, the account that names the
// player and the actions the views call into. Empty callbacks make their controls do nothing.
struct ReadoutModels
{
    SystemMetricsService *metrics = nullptr;
    // The window under the pointer: the target cursor and the quest log's CPU row.
    TargetMonitor *target = nullptr;
    UserAccount account;
    // While visible, the target diamond bobs.
    HUDVisibility *visibility = nullptr;

    std::function<void()> onOpenCalendar;
    std::function<void()> onOpenSkills;
    std::function<void()> onConfirmQuit;
    std::function<void()> onCancelQuit;
    // "previous track", "playpause" or "next track".
    std::function<void(const QString &command)> onTransport;
    // Empty: the shared sound engine plays the cue.
    std::function<void(CoreSoundEngine::Cue)> playCue;
};

// The view of widget `id`, sized to its unscaled panel size, or nullptr for a widget that is not
// a readout (the menu panels) or whose model is missing.
QWidget *makeReadoutView(HUDWidgetID id, const ReadoutModels &models, QWidget *parent = nullptr);

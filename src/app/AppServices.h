#pragma once

#include "actions/HUDActionService.h"
#include "app/CueSoundModule.h"
#include "app/ShellFeedback.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/AppCatalog.h"
#include "hud/HUDCommands.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/NowPlayingMonitor.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/SelfCostMeter.h"
#include "monitors/SystemMetricsService.h"
#include "monitors/TargetMonitor.h"
#include "monitors/UnreadMonitor.h"
#include "quests/QuestService.h"
#include "setup/LoginItemService.h"
#include "setup/SetupChecker.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"
#include "ui/hud/LayoutEditor.h"
#include "ui/hud/PanelStack.h"
#include "ui/menu/MenuSelection.h"
#include "ui/setup/SetupCheckWindow.h"
#include "windows/DockWatcher.h"
#include "windows/WindowArranger.h"

#include <QStringList>

#include <memory>

class CommandBarController;
struct Platform;

// The composition root: every long-lived object of the program, built once over the platform in
// dependency order and handed its collaborators. Nothing below `app/` reaches for the platform or
// for another feature's objects by itself.
//
// Each object is a member, so they are torn down in the reverse order, while the application
// object still exists; `shutdown` first stops what polls, samples or shows. Work still running
// on a service's own thread pool is waited for when that service goes; an answer from the
// global pool finds its owner gone and does nothing.
class AppServices final
{
public:
    explicit AppServices(Platform &platform);
    ~AppServices();

    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    // Stops the timers, polls and windows before anything is destroyed; safe to call twice.
    void shutdown();

    Platform &platform;
    const pid_t ownPid;
    // The display names of the hot keys that failed to register at launch; start-up writes it,
    // the setup check reads it.
    QStringList hotKeyFailures;

    // The shell's commands; the delegate fills it at start.
    HUDCommands commands;
    HUDNotifications notifications;
    HUDVisibility visibility;
    HUDSettings settings;
    HUDWidgetSettings widgets;
    HUDLayoutStore layout;
    LoginItemService loginItems;
    SystemMetricsService metrics;
    // What Kaidro itself costs, sampled on the metrics' tick.
    SelfCostMeter selfCost;
    // The stacking of every panel; the panels and the command bar are handed it.
    PanelStack panelStack;

    CueSoundModule soundModule;
    CoreSoundEngine sound;
    CoreToastCenter toasts;
    ShellFeedback feedback;
    MenuSelection menuSelection;

    TargetMonitor target;
    RunningAppsMonitor runningApps;
    NetworkMonitor network;
    NowPlayingMonitor nowPlaying;
    UnreadMonitor unread;
    ClipboardHistory clipboard;
    Paster paster;
    AppCatalog apps;
    HUDActionService actions;
    WindowArranger arranger;
    DockWatcher dock;
    SkillBook skills;
    QuestService quests;
    SetupChecker setupChecker;
    SetupCheckWindow setupWindow;
    LayoutEditor editor;

private:
    const std::unique_ptr<CommandBarController> m_commandBar;

public:
    CommandBarController &commandBar;
};

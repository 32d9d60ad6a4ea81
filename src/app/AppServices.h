#pragma once

#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "monitors/SystemMetricsService.h"
#include "setup/LoginItemService.h"
#include "ui/hud/PanelStack.h"

#include <QStringList>

#include <memory>

class AppCatalog;
class ClipboardHistory;
class CommandBarController;
class CoreSoundEngine;
class CoreToastCenter;
class Feedback;
class HUDActionService;
class LayoutEditor;
class MenuSelection;
class NetworkMonitor;
class NowPlayingMonitor;
class Paster;
class QuestService;
class RunningAppsMonitor;
class SetupCheckWindow;
class SetupChecker;
class SkillBook;
class TargetMonitor;
class UnreadMonitor;
class WindowArranger;
struct Platform;

// The composition root: every long-lived object of the program, built once over the platform in
// dependency order and handed its collaborators. Nothing below `app/` reaches for the platform or
// for another feature's objects by itself.
//
// The objects from the sound engine on are never torn down: several may still have work on the
// thread pool or a timer running at exit, a result arriving late must find them alive, and none
// of their effects, timers or windows may be destroyed after the application object.
class AppServices final
{
public:
    explicit AppServices(Platform &platform);
    ~AppServices();

    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    Platform &platform;
    const pid_t ownPid;
    // The display names of the hot keys that failed to register at launch; start-up writes it,
    // the setup check reads it.
    QStringList hotKeyFailures;

    HUDNotifications notifications;
    HUDVisibility visibility;
    HUDSettings settings;
    HUDWidgetSettings widgets;
    HUDLayoutStore layout;
    LoginItemService loginItems;
    SystemMetricsService metrics;
    // The stacking of every panel; the panels and the command bar are handed it.
    PanelStack panelStack;

    CoreSoundEngine &sound;
    CoreToastCenter &toasts;
    Feedback &feedback;
    MenuSelection &menuSelection;

    TargetMonitor &target;
    RunningAppsMonitor &runningApps;
    NetworkMonitor &network;
    NowPlayingMonitor &nowPlaying;
    UnreadMonitor &unread;
    ClipboardHistory &clipboard;
    Paster &paster;
    AppCatalog &apps;
    HUDActionService &actions;
    WindowArranger &arranger;
    SkillBook &skills;
    QuestService &quests;
    SetupChecker &setupChecker;
    SetupCheckWindow &setupWindow;
    LayoutEditor &editor;
    CommandBarController &commandBar;
};

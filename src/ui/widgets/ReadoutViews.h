#pragma once

#include "hud/HUDWidgetID.h"
#include "platform/UserAccount.h"
#include "ui/CoreSoundEngine.h"
#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuTree.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

struct ClipItem;
class ClipboardHistory;
class HUDActionService;
class HUDVisibility;
class HUDWidgetSettings;
class MenuSelection;
class NetworkMonitor;
class NowPlayingMonitor;
class QuestService;
class RunningAppsMonitor;
class SkillBook;
class QWidget;
class SystemMetricsService;
class TargetMonitor;
class UnreadMonitor;
class WindowArranger;
class WindowSprites;

// What the readout views are built over: the models that exist, the account that names the
// player and the actions the views call into. Empty callbacks make their controls do nothing.
struct ReadoutModels
{
    SystemMetricsService *metrics = nullptr;
    // The window under the pointer: the target cursor and the quest log's CPU row.
    TargetMonitor *target = nullptr;
    UserAccount account;
    // While visible, the target diamond bobs, from frames kept for its window where these
    // can be made.
    HUDVisibility *visibility = nullptr;
    std::function<std::unique_ptr<WindowSprites>(quintptr windowId)> windowSprites;

    std::function<void()> onOpenCalendar;
    std::function<void()> onOpenSkills;
    std::function<void()> onConfirmQuit;
    std::function<void()> onCancelQuit;
    // The party strip's NET line, the music strip's track and the rail's Communications mark.
    NetworkMonitor *network = nullptr;
    NowPlayingMonitor *nowPlaying = nullptr;
    UnreadMonitor *unread = nullptr;
    // "previous track", "playpause" or "next track".
    std::function<void(const QString &command)> onTransport;
    // Empty: no sound.
    std::function<void(SoundCue)> playCue;

    // The game menu: what its entries do, the selection the rail writes and the summary panel
    // shows, the facts behind the detail lines and where the rail reports what it draws.
    MenuEffects menuEffects;
    MenuSelection *menuSelection = nullptr;
    std::function<MenuFacts()> menuFacts;
    HUDWidgetSettings *widgetSettings = nullptr;
    std::function<void(const QList<QRectF> &regions)> onRailRegions;
    // The summary panel's app slots.
    RunningAppsMonitor *runningApps = nullptr;
    // The inventory: the history, pasting a clip into the app in front, and what follows a
    // copy back or a paste.
    ClipboardHistory *clipboard = nullptr;
    std::function<void(const ClipItem &clip)> pasteClip;
    std::function<void()> onClipCopied;
    std::function<void()> onClipPasted;
    // The equipment panel's snap zones and loadouts.
    WindowArranger *arranger = nullptr;
    // The skills panel, the quick bar and the loadouts' stars; the quest log's calendar rows,
    // the rail's Maps mark; the focus session both show.
    SkillBook *skills = nullptr;
    QuestService *quests = nullptr;
    HUDActionService *actions = nullptr;
    std::function<void()> openShortcutsFolder;
    std::function<void()> openBatterySettings;
    std::function<void()> openStorageSettings;
};

// The view of widget `id`, sized to its unscaled panel size, or nullptr for a widget whose model
// is missing.
QWidget *makeReadoutView(HUDWidgetID id, const ReadoutModels &models, QWidget *parent = nullptr);

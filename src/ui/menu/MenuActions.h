#pragma once

#include "hud/HUDWidgetID.h"
#include "ui/menu/MenuTree.h"

#include <QString>
#include <QStringList>

#include <functional>

// What the menu's entries reach: the panel controller, the action service, the widget and
// timing settings. The program binds them to the real objects; an empty one does nothing.
struct MenuEffects
{
    // The panel controller.
    std::function<void()> closeMenu;
    std::function<void()> editLayout;
    std::function<void()> resetLayout;
    std::function<void()> hideHUD;
    std::function<void()> requestQuit;
    std::function<void()> showQuest;
    std::function<void()> showInventory;
    std::function<void()> showSkills;
    std::function<void()> showEquipment;

    // The action service.
    std::function<bool(const QString &name, const QStringList &alternatives)> openApp;
    std::function<void()> copyStatus;
    std::function<void()> stagePrompt;
    std::function<void()> wakeAI;
    std::function<void()> unloadAI;
    std::function<void()> toggleFocus;
    std::function<void()> openProjects;
    std::function<void()> openActivityMonitor;
    // The one-line status the menus show.
    std::function<void(const QString &status)> setStatus;
    // A log line and a toast with the same title and message.
    std::function<void(const QString &title, const QString &message)> report;
    // A toast only, for `duration` seconds.
    std::function<void(const QString &title, const QString &message, double duration)> toast;

    // Widgets and timings. `toggleWidget` answers whether the widget is visible afterwards;
    // the cycles answer the new duration in seconds.
    std::function<bool(HUDWidgetID id)> toggleWidget;
    std::function<void()> hideAll;
    std::function<void()> showAll;
    std::function<double()> cycleReadoutIdle;
    std::function<double()> cycleMenuIdle;

    // The localized names of the running applications.
    std::function<QStringList()> runningAppNames;
    // Whether the program opens at login.
    std::function<bool()> loginItemEnabled;

    MenuHotKeyTexts keys;
};

namespace MenuActions {

// The background tools "Equipped" looks for, in the order it lists them.
const QStringList &equippedTools();
// One line per tool: "Name: running" when a running app's name contains it (any case), else
// "Name: —".
QStringList equippedLines(const QStringList &runningAppNames);

// Runs the entry titled `title`: the panel entries go to the controller, the rest to the
// action service and the settings. A title that names nothing does nothing.
void runNode(const QString &title, const MenuEffects &effects);

} // namespace MenuActions

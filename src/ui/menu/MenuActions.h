#pragma once

#include "ui/menu/MenuTree.h"

#include <QString>
#include <QStringList>

class Feedback;
class HUDActionService;
class HUDCommands;
class HUDSettings;
class HUDWidgetSettings;
class LoginItemService;
class Workspace;

// What the menu's entries reach: the shell's commands (the panel entries trigger them by id),
// the action service, the widget and timing settings, the toasts, the running applications and
// the login item.
struct MenuEffects
{
    const HUDCommands &commands;
    HUDActionService &actions;
    Feedback &feedback;
    HUDWidgetSettings &widgets;
    HUDSettings &settings;
    const Workspace &workspace;
    const LoginItemService &loginItems;
    MenuHotKeyTexts keys;

    // The facts behind the detail lines as they stand now.
    MenuFacts facts() const;
};

namespace MenuActions {

// The background tools "Equipped" looks for, in the order it lists them.
const QStringList &equippedTools();
// One line per tool: "Name: running" when a running app's name contains it (any case), else
// "Name: —".
QStringList equippedLines(const QStringList &runningAppNames);

// Runs the entry titled `title`: the panel entries trigger the shell's commands, the rest go to
// the action service and the settings. A title that names nothing does nothing.
void runNode(const QString &title, const MenuEffects &effects);

} // namespace MenuActions

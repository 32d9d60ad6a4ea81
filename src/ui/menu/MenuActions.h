#pragma once

#include "ui/menu/MenuTree.h"

#include <QString>
#include <QStringList>

#include <optional>

class Feedback;
class HUDActionService;
class HUDCommands;
class HUDSettings;
class HUDWidgetSettings;
class LoginItemService;
class SelfCostMeter;
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
    // What the program itself costs, for the Party entry; none in views built without it.
    SelfCostMeter *selfCost = nullptr;

    // The facts behind the detail lines as they stand now.
    MenuFacts facts() const;
};

// What a menu entry does: trigger a shell command, make a call on the action service, open an
// app (or the first of its alternatives that opens), toggle a widget, or one of the entries that
// change a setting or say something.
struct MenuEntry
{
    enum class Kind {
        command,
        service,
        openApp,
        widget,
        hideAll,
        showAll,
        equipped,
        option,
        readouts,
        autoHide,
        help,
    };
    Kind kind;
    // The command's id, the service call's name, the app, or the widget's raw value.
    QString target;
    QStringList alternatives;
};

namespace MenuActions {

// The background tools "Equipped" looks for, in the order it lists them.
const QStringList &equippedTools();
// One line per tool: "Name: running" when a running app's name contains it (any case), else
// "Name: —".
QStringList equippedLines(const QStringList &runningAppNames);

// What the entry titled `title` does; nothing for a title that names no entry (or only opens
// its children).
std::optional<MenuEntry> entry(const QString &title);

// Runs the entry titled `title`: the panel entries trigger the shell's commands, the rest go to
// the action service and the settings. A title that names nothing does nothing.
void runNode(const QString &title, const MenuEffects &effects);

} // namespace MenuActions

#pragma once

#include "hud/HUDCommands.h"

#include <QList>

class AppDelegate;

// Every command of the shell, defined once: its id, its texts, its key and what it does. The
// hot keys, the tray menu, the command line, the game menu and the command bar all trigger the
// actions `install` makes from this table.
namespace ShellActions {

// The definitions, in the command bar's order and then the rest; readable without a running
// program (the command line's help lists the remote ones).
QList<HUDCommands::Command> table();

// Adds every command to `commands`, each running its part on `delegate`.
void install(HUDCommands &commands, AppDelegate &delegate);

} // namespace ShellActions

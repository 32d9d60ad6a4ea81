#pragma once

#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuTree.h"

#include <functional>

class FloatingHUDPanelController;
class Workspace;

// Binds the menu to the program's long-lived objects: the panel controller (reached through
// `controller`, which may answer nullptr before it exists or after it is gone), the action
// service, the widget and timing settings, the toast centre and the workspace.
namespace MenuBindings {

MenuEffects effects(std::function<FloatingHUDPanelController *()> controller,
                    std::function<bool()> loginItemEnabled, MenuHotKeyTexts keys,
                    Workspace &workspace);

// The facts behind the detail lines, read from the shared settings.
MenuFacts facts(const QString &hudKeyText);

} // namespace MenuBindings

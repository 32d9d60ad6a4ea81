#pragma once

#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuTree.h"

#include <functional>

class AppServices;
class FloatingHUDPanelController;

// Binds the menu to the program's long-lived objects: the panel controller (reached through
// `controller`, which may answer nullptr before it exists or after it is gone), the action
// service, the widget and timing settings, the toast centre and the workspace.
namespace MenuBindings {

MenuEffects effects(AppServices &services,
                    std::function<FloatingHUDPanelController *()> controller);

// The facts behind the detail lines, read from the settings.
MenuFacts facts(AppServices &services);

} // namespace MenuBindings

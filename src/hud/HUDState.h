#pragma once

#include "platform/Screens.h"

#include <optional>

// What the panel controller knows of the HUD as a whole. The controller alone writes it; the
// parts it is built from read it.
struct HUDState
{
    bool isVisible = false;
    bool menuVisible = false;
    bool confirmVisible = false;
    // The layout editor is open; the shown panels stand still for it.
    bool layoutEditing = false;
    // The command bar is up, as the program reports it.
    bool commandBarVisible = false;
    // The screen the HUD is on, once it has been shown.
    std::optional<ScreenInfo> hudScreen;
};

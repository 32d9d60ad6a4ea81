#pragma once

#include "hud/FloatingHUDPanelController.h"

#include <functional>

class AppServices;
class ReadoutViewFactory;
struct Platform;

// Builds the HUD's readout views and menu panels over the program's services: one maker per
// widget over exactly the models that widget shows, its signals connected to what they ask for
// (the shell's commands, the action service, the sound engine, the panel controller).
namespace ReadoutWiring {

// Answers the panel controller, or nullptr before it exists and after it is gone.
using ControllerNow = std::function<FloatingHUDPanelController *()>;

// Registers the maker of every widget's view.
void install(ReadoutViewFactory &views, AppServices &services, Platform &platform,
             ControllerNow controller);

// The panels the controller shows: a floating panel around each widget's view, at the panel's
// scale.
FloatingHUDPanelController::PanelFactory panelFactory(AppServices &services, Platform &platform,
                                                      ControllerNow controller);

} // namespace ReadoutWiring

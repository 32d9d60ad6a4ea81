#pragma once

#include <memory>

class AppServices;
class CommandBarController;

// The command bar over the program's services: searching the live clipboard history, the app
// catalogue and the widget settings, with its window and view.
std::unique_ptr<CommandBarController> makeCommandBar(AppServices &services);

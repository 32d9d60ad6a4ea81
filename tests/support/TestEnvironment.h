#pragma once

#include <QString>

namespace TestEnvironment {

// The private HOME this test binary runs under; XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME
// and XDG_RUNTIME_DIR are folders inside it.
QString home();

// Creates the private folders and points the environment at them. Called once by TestMain
// before the QApplication exists.
void isolate();

} // namespace TestEnvironment

#pragma once

#include "platform/Platform.h"

#include <QString>

// The real services of a Linux X11 desktop. Call after the QApplication exists.
Platform makeLinuxPlatform(const QString &executableFolder);

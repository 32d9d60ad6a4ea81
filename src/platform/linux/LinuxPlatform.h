#pragma once

#include "platform/Platform.h"

#include <QString>

#include <optional>

// The real services of a Linux X11 desktop (X11 itself or XWayland). Call after the
// QApplication exists.
Platform makeLinuxPlatform(const QString &executableFolder);
// The same with the screens, windows, workspace and hot keys of a Wayland compositor that
// offers the layer shell, Qt running offscreen. Nothing, with `error` set, when the compositor
// cannot be reached.
std::optional<Platform> makeNativeWaylandPlatform(const QString &executableFolder, QString *error);

#pragma once

#include "platform/wayland/WaylandPlatform.h"

#include <QString>

struct Platform;

// The native Wayland path (our own compositor connection, the layer panels, the window list and
// the seat, with libwayland-client) is built into a module, vantle-wayland, which is loaded only
// where a Wayland session is asked about or chosen: an X11 session never maps it. A program that
// links the path in (the tests) uses it directly.
namespace NativeWayland {

// WaylandPlatform's rule over this process's environment. The compositor is asked whether it
// offers the layer shell (through the module, over a short-lived connection) only when its
// answer matters; where the module cannot be loaded it counts as not offering it.
DisplayChoice choose(const QString &requested);

// Puts the compositor's screens, window system and workspace in `platform`. False with `error`
// set when the compositor cannot be reached or the module cannot be loaded.
bool install(Platform &platform, QString *error);

} // namespace NativeWayland

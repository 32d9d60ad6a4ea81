#pragma once

#include <QString>

#include <optional>

// How Kaidro meets the desktop: X11 itself, a Wayland session through XWayland (a guest that
// sees and moves only X11 windows), or the compositor natively, with the panels on its overlay
// layer.
enum class DisplayPath { x11, xwayland, wayland };

// What the start-up makes of `requested` ("x11", "wayland" or empty for the default) and the
// session: the path, or why there is none (`refusal`, for the user).
struct DisplayChoice
{
    std::optional<DisplayPath> path;
    QString refusal;
};

namespace WaylandPlatform {

// The rule itself. The default is X11 when there is an X display and no Wayland session,
// native Wayland when the compositor offers the layer shell, XWayland otherwise.
DisplayChoice choose(const QString &requested, bool x11Display, bool waylandDisplay,
                     bool layerShell);
// The rule over this process's environment is NativeWayland::choose.

} // namespace WaylandPlatform

#include "platform/wayland/WaylandPlatform.h"

namespace WaylandPlatform {

DisplayChoice choose(const QString &requested, bool x11Display, bool waylandDisplay,
                     bool layerShell)
{
    if (requested == QLatin1String("x11")) {
        if (!x11Display)
            return {std::nullopt, QStringLiteral("no X11 display to run on (DISPLAY is not set)")};
        return {waylandDisplay ? DisplayPath::xwayland : DisplayPath::x11, {}};
    }
    if (requested == QLatin1String("wayland")) {
        if (!waylandDisplay)
            return {std::nullopt,
                    QStringLiteral("no Wayland compositor to run on (WAYLAND_DISPLAY is not set "
                                   "or its socket does not answer)")};
        if (!layerShell)
            return {std::nullopt,
                    QStringLiteral("this Wayland compositor offers no layer shell "
                                   "(zwlr_layer_shell_v1), so Kaidro cannot put its panels on "
                                   "it; start it without --platform to run through XWayland")};
        return {DisplayPath::wayland, {}};
    }
    if (waylandDisplay && layerShell)
        return {DisplayPath::wayland, {}};
    if (x11Display)
        return {waylandDisplay ? DisplayPath::xwayland : DisplayPath::x11, {}};
    if (waylandDisplay)
        return {std::nullopt,
                QStringLiteral("this Wayland compositor offers no layer shell and there is no "
                               "XWayland display (DISPLAY is not set) to run on instead")};
    return {std::nullopt, QStringLiteral("no X11 display to run on (DISPLAY is not set)")};
}

} // namespace WaylandPlatform

#include "platform/wayland/WaylandPlatform.h"

#include "platform/HotKeys.h"
#include "platform/Platform.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandScreens.h"
#include "platform/wayland/WaylandToplevels.h"
#include "platform/wayland/WaylandWindowSystem.h"
#include "platform/wayland/WaylandWorkspace.h"

#include <QPointer>

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

DisplayChoice choose(const QString &requested)
{
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The compositor is asked only when its answer can change the outcome.
    const bool ask = wayland && requested != QLatin1String("x11");
    return choose(requested, x11, wayland, ask && WaylandConnection::offersLayerShell());
}

bool install(Platform &platform, QString *error)
{
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::open(error);
    if (!connection)
        return false;
    // The window list lives as long as the connection; the window system names windows' apps
    // through the workspace, which is made after it (and goes before it).
    auto *toplevels = new WaylandToplevels(*connection, connection.get());
    auto apps = std::make_shared<QPointer<WaylandWorkspace>>();
    auto windows = std::make_unique<WaylandWindowSystem>(
        connection, *toplevels,
        [apps](const QString &appId) { return *apps ? (*apps)->pidOf(appId) : pid_t(0); });
    WaylandInput *input = &windows->input();
    auto workspace
        = std::make_unique<WaylandWorkspace>(*toplevels, [input] { return input->seat(); });
    *apps = workspace.get();

    platform.screens = std::make_unique<WaylandScreens>(connection);
    platform.workspace = std::move(workspace);
    platform.windows = std::move(windows);
    // The desktop's global shortcuts and moving other apps' windows are offered by other means
    // than the core protocols (a portal, the compositor's own IPC); where none is there the
    // setup check points to the command-line commands and greys window layouts.
    platform.hotKeys.reset();
    return true;
}

} // namespace WaylandPlatform

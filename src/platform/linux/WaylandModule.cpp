// The entry points of the native Wayland module: the program resolves them by name.
#include "platform/Platform.h"
#include "platform/linux/WaylandWorkspace.h"
#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandScreens.h"
#include "platform/wayland/WaylandToplevels.h"
#include "platform/wayland/WaylandWindowSystem.h"

#include <QPointer>

extern "C" Q_DECL_EXPORT bool vantleWaylandOffersLayerShell()
{
    return WaylandConnection::offersLayerShell();
}

// The compositor's services in place of the X11 ones: the screens, the window system (panels on
// the overlay layer, the window list) and the workspace. False with `error` set when the
// compositor cannot be reached.
extern "C" Q_DECL_EXPORT bool vantleInstallNativeWayland(Platform &platform, QString *error)
{
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::open(error);
    if (!connection)
        return false;
    // The window list lives as long as the connection; the window system names windows' apps
    // through the workspace, which is made after it (and goes before it).
    auto *toplevels = new WaylandToplevels(*connection, connection.get());
    auto apps = std::make_shared<QPointer<WaylandWorkspace>>();
    // Other apps' windows are moved through the compositor's IPC where it has one (sway).
    std::unique_ptr<SwayIpc> sway;
    if (const QString socket = SwayIpc::socketFromEnvironment(); !socket.isEmpty())
        sway = std::make_unique<SwayIpc>(socket);
    auto windows = std::make_unique<WaylandWindowSystem>(
        connection, *toplevels,
        [apps](const QString &appId) { return *apps ? (*apps)->pidOf(appId) : pid_t(0); },
        std::move(sway));
    WaylandInput *input = &windows->input();
    auto workspace
        = std::make_unique<WaylandWorkspace>(*toplevels, [input] { return input->seat(); });
    *apps = workspace.get();

    platform.screens = std::make_unique<WaylandScreens>(connection);
    platform.workspace = std::move(workspace);
    platform.windows = std::move(windows);
    return true;
}

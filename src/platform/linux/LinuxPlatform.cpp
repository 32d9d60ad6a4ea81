#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/DBusRemoteControl.h"
#include "platform/linux/EdsCalendarStore.h"
#include "platform/linux/JsonUserDefaults.h"
#include "platform/linux/LauncherBadges.h"
#include "platform/linux/LinuxAppPaths.h"
#include "platform/linux/LinuxNetworkPath.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/MprisPlayers.h"
#include "platform/linux/NativeWayland.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/ProcSystemStats.h"
#include "platform/linux/ProcessToolRunner.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/SyslogLog.h"
#include "platform/linux/X11HotKeys.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "platform/wayland/PortalHotKeys.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace {

// The compositor's services in place of the X11 ones (from the native Wayland module) and the
// hot keys. False with `error` set when the compositor cannot be reached.
bool installNativeWayland(Platform &platform, QString *error)
{
    if (!NativeWayland::install(platform, error))
        return false;
    // The desktop's global shortcuts come through its portal (at most a second's wait, once);
    // where there is none the setup check points to the command-line commands.
    if (PortalHotKeys::available())
        platform.hotKeys = std::make_unique<PortalHotKeys>();
    else
        platform.hotKeys.reset();
    return true;
}

std::optional<Platform> make(const QString &executableFolder, bool nativeWayland, QString *error)
{
    Platform p;
    p.clock = std::make_unique<SystemClock>();
    p.log = std::make_unique<SyslogLog>();
    // Defaults in a folder that cannot be used safely are kept in memory only.
    const QString config = LinuxAppPaths::configHome() + QStringLiteral("/Vantle");
    QString refusal;
    const bool ownConfig = LinuxAppPaths::ownFolder(config, &refusal);
    if (!ownConfig)
        p.log->log(QStringLiteral("folder not used: %1").arg(refusal));
    p.defaults = std::make_unique<JsonUserDefaults>(
        ownConfig ? config + QStringLiteral("/defaults.json") : QString());
    p.paths = std::make_unique<LinuxAppPaths>(executableFolder, p.log.get());
    // Saves fail from any store and thread, until the process ends: the reporter keeps a log of
    // its own.
    AtomicFile::setFailureReporter(
        [log = std::make_shared<SyslogLog>()](const QString &line) { log->log(line); });
    p.tools = std::make_unique<ProcessToolRunner>();
    p.processes = std::make_unique<ProcFsProcessTable>();
    if (nativeWayland) {
        if (!installNativeWayland(p, error))
            return std::nullopt;
    } else {
        p.screens = std::make_unique<LinuxScreens>();
        p.windows = std::make_unique<X11WindowSystem>();
        p.hotKeys = std::make_unique<X11HotKeys>();
        p.workspace = std::make_unique<X11Workspace>();
    }
    p.stats = std::make_unique<ProcSystemStats>();
    p.loginItems = std::make_unique<XdgAutostartLoginItems>(
        XdgAutostartLoginItems::defaultFolder(), QCoreApplication::applicationFilePath());
    p.system = std::make_unique<LinuxSystemInfo>(nativeWayland);
    p.pasteboard = std::make_unique<QtPasteboard>();
    p.calendars = std::make_unique<EdsCalendarStore>(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), p.log.get());
    p.players = std::make_unique<MprisPlayers>();
    p.network = std::make_unique<LinuxNetworkPath>();
    p.badges = std::make_unique<LauncherBadges>();
    p.remote = std::make_unique<DBusRemoteControl>();
    return p;
}

} // namespace

Platform makeLinuxPlatform(const QString &executableFolder)
{
    return std::move(*make(executableFolder, false, nullptr));
}

std::optional<Platform> makeNativeWaylandPlatform(const QString &executableFolder, QString *error)
{
    return make(executableFolder, true, error);
}

#include "platform/linux/NativeWayland.h"

#include "platform/linux/ModuleFiles.h"

#include "platform/Logging.h"

// Where the path is linked into the program these name it; otherwise they are null and it comes
// from the module.
extern "C" bool vantleWaylandOffersLayerShell() __attribute__((weak));
extern "C" bool vantleInstallNativeWayland(Platform &, QString *) __attribute__((weak));

namespace {

struct Entries
{
    bool (*offersLayerShell)() = nullptr;
    bool (*install)(Platform &, QString *) = nullptr;
    QString error;
};

const Entries &entries()
{
    static const Entries loaded = [] {
        Entries e;
        if (vantleInstallNativeWayland) {
            e.offersLayerShell = vantleWaylandOffersLayerShell;
            e.install = vantleInstallNativeWayland;
            return e;
        }
        const QString file = QStringLiteral("vantle-wayland.so");
        e.offersLayerShell = reinterpret_cast<bool (*)()>(
            ModuleFiles::entry(file, "vantleWaylandOffersLayerShell", &e.error));
        if (e.offersLayerShell)
            e.install = reinterpret_cast<bool (*)(Platform &, QString *)>(
                ModuleFiles::entry(file, "vantleInstallNativeWayland", &e.error));
        if (!e.install) {
            e.offersLayerShell = nullptr;
            qCWarning(lcShell, "%s: the native Wayland path is not available", qPrintable(e.error));
        }
        return e;
    }();
    return loaded;
}

} // namespace

namespace NativeWayland {

DisplayChoice choose(const QString &requested)
{
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool ask = wayland && requested != QLatin1String("x11");
    return WaylandPlatform::choose(
        requested, x11, wayland, ask && entries().offersLayerShell && entries().offersLayerShell());
}

bool install(Platform &platform, QString *error)
{
    if (!entries().install) {
        if (error)
            *error = entries().error;
        return false;
    }
    return entries().install(platform, error);
}

} // namespace NativeWayland

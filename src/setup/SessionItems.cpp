#include "setup/SessionItems.h"

namespace SessionItems {

namespace {
using State = SetupItem::State;

bool isWayland(const SetupFacts &facts)
{
    return facts.session == SystemInfo::SessionKind::wayland;
}

bool isNative(const SetupFacts &facts)
{
    return facts.session == SystemInfo::SessionKind::waylandNative;
}
} // namespace

SetupItem session(const SetupFacts &facts)
{
    const bool wayland = isWayland(facts);
    const bool native = isNative(facts);
    SetupItem os{QStringLiteral("os"), QStringLiteral("X11 session"), {}, true, State::ok, {}, {}};
    if (facts.session == SystemInfo::SessionKind::x11) {
        os.detail
            = QStringLiteral("This computer runs ") + facts.prettyName + QStringLiteral(" on X11.");
    } else if (wayland) {
        os.state = State::attention;
        os.detail = QStringLiteral(
            "This is a Wayland session, so Kaidro runs through XWayland. The readouts, the menu "
            "and the command bar work; windows of native Wayland apps are not seen or moved, "
            "and the hot keys reach Kaidro only while an XWayland window has the focus. Log in "
            "with an X11 (Xorg) session for everything.");
    } else if (native) {
        os.title = QStringLiteral("Wayland session");
        os.detail = QStringLiteral(
            "This is a Wayland session and the compositor offers the layer shell, so Kaidro "
            "talks to it directly: the readouts, the menu and the command bar are panels on its "
            "overlay layer, above every window. The clipboard pack does not follow the "
            "compositor's clipboard on this path.");
    } else {
        os.state = State::attention;
        os.detail = QStringLiteral(
            "Kaidro needs an X11 session to see and move windows and to hear its shortcuts. Log "
            "in with an X11 (Xorg) session.");
    }
    return os;
}

SetupItem windows(const SetupFacts &facts)
{
    SetupItem windows{
        QStringLiteral("windows"), QStringLiteral("Windows"), {}, false, State::ok, {}, {}};
    if (facts.windowList) {
        windows.detail = QStringLiteral(
            "The running apps and the target come from the compositor: the target is the "
            "active window. The compositor tells no window frames, so the target cursor "
            "marks none.");
    } else {
        windows.state = State::attention;
        windows.detail = QStringLiteral(
            "This compositor does not list its windows (wlr foreign toplevel management), "
            "so the running apps and the target stay empty.");
    }
    return windows;
}

SetupItem windowControl(const SetupFacts &facts)
{
    const bool wayland = isWayland(facts);
    const bool native = isNative(facts);
    SetupItem ax{
        QStringLiteral("ax"), QStringLiteral("Window control"), {}, true, State::ok, {}, {}};
    if (facts.windowControl && native) {
        ax.detail = QStringLiteral("Window layouts and the next display move other apps' windows "
                                   "through the compositor's IPC. Direct paste is off: Wayland "
                                   "lets no app type into another.");
    } else if (facts.windowControl) {
        ax.detail = QStringLiteral(
            "Window layouts, the quick bar and direct paste can control other apps.");
    } else {
        // There is no permission to grant on X11, so there is nothing for a button to do.
        ax.state = State::attention;
        ax.detail = native
            ? QStringLiteral("Off: moving other apps' windows (Equipment, next display) needs "
                             "the compositor's own IPC, which Kaidro cannot use here. Direct "
                             "paste is off too.")
            : wayland
            ? QStringLiteral("Off in a Wayland session: from XWayland Kaidro cannot move other "
                             "apps' windows (Equipment) or paste straight into them. Log in with "
                             "an X11 (Xorg) session to use them.")
            : QStringLiteral(
                "Needed to move other apps' windows (Equipment) and paste straight into them. It "
                "works in an X11 session whose window manager supports EWMH.");
    }
    return ax;
}

} // namespace SessionItems

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMargins>
#include <QRect>

#include <array>
#include <optional>

#include <sys/types.h>
#include <xcb/xcb.h>

// What `_NET_WM_WINDOW_TYPE` says a window is; `none` when the property is missing.
enum class X11WindowKind {
    none,
    normal,
    dialog,
    utility,
    toolbar,
    dock,
    desktop,
    menu,
    tooltip,
    notification,
    splash,
    other
};

// One window manager client as read in a single walk.
struct X11Client
{
    quint32 window = 0;
    pid_t pid = 0; // 0 when neither _NET_WM_PID nor XRes knows
    QRect frame; // the client plus the manager's frame, root coordinates
    QMargins extents; // what the manager's frame adds on each side
    bool viewable = false;
    std::optional<quint32> desktop; // 0xFFFFFFFF for all desktops
    X11WindowKind kind = X11WindowKind::none;
    bool hidden = false;
    bool above = false;
    bool skipTaskbar = false;
    std::optional<double> alpha;
    // Read only when asked for: WM_CLASS (instance, class) and the GTK application id.
    QByteArray instanceName;
    QByteArray className;
    QByteArray gtkApplicationId;
};

// Reads the window manager's client lists and their windows' properties over an existing
// connection. Every per-window request of a walk is sent before the first reply is read, so a
// walk of many windows costs about one round trip.
class X11Clients final
{
public:
    X11Clients(xcb_connection_t *connection, xcb_window_t root);

    bool valid() const { return m_connection && m_root; }
    xcb_connection_t *connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    // Adds `events` to what this connection hears from the root, keeping what Qt asked for.
    // Returns the mask before, or nothing when it could not be read (nothing was changed).
    std::optional<uint32_t> listenOnRoot(uint32_t events) const;
    xcb_atom_t atom(const char *name) const;

    // A window list property of the root (`_NET_CLIENT_LIST`, `_NET_CLIENT_LIST_STACKING`) in
    // its own order; nothing when the property is missing.
    std::optional<QList<quint32>> rootWindowList(const char *property) const;
    // The windows in the order given; windows that vanished meanwhile are left out.
    QList<X11Client> describe(const QList<quint32> &windows, bool withClasses) const;
    std::optional<X11Client> describe(quint32 window) const;

    // Where each window is now and whether it is mapped: three requests a window, for walks
    // that already know the rest of a window's properties. Vanished windows are left out.
    struct Placement
    {
        quint32 window = 0;
        bool viewable = false;
        QRect client; // the client window alone, root coordinates
    };
    QList<Placement> placements(const QList<quint32> &windows) const;

    xcb_window_t activeWindow() const;
    std::optional<quint32> currentDesktop() const;
    // Whether the client shows on `current` (a missing desktop on either side counts as shown).
    static bool onDesktop(const X11Client &client, std::optional<quint32> current);
    // 0 for the windows that stack among ordinary ones; higher for the bands above them.
    static int layerFor(const X11Client &client);

    // An EWMH request to the window manager about `window`.
    void sendToManager(xcb_window_t window, const char *type,
                       const std::array<quint32, 5> &data) const;

private:
    void internAll(std::initializer_list<const char *> names) const;
    std::optional<quint32> rootCardinal(const char *property) const;

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    bool m_hasRes = false;
    mutable QHash<QByteArray, xcb_atom_t> m_atoms;
};

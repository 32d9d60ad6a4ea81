#include "platform/linux/X11WindowSystem.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QHash>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    // Atoms never change for the life of the connection; ask the server once per name.
    static QHash<QByteArray, xcb_atom_t> cache;
    const auto cached = cache.constFind(QByteArray(name));
    if (cached != cache.constEnd())
        return *cached;
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    cache.insert(QByteArray(name), atom);
    return atom;
}

// The window named by `property` on `window`, or none.
xcb_window_t windowProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (!reply)
        return XCB_WINDOW_NONE;
    xcb_window_t out = XCB_WINDOW_NONE;
    if (reply->type == XCB_ATOM_WINDOW && reply->format == 32
        && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&out, xcb_get_property_value(reply), sizeof out);
    std::free(reply);
    return out;
}

} // namespace

X11WindowSystem::X11WindowSystem()
{
    if (auto *x11
        = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        m_connection = x11->connection();
        if (m_connection) {
            const xcb_setup_t *setup = xcb_get_setup(m_connection);
            xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
            if (it.rem > 0)
                m_root = it.data->root;
        }
    }
}

bool X11WindowSystem::isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool X11WindowSystem::trusted() const
{
    if (!m_connection || !m_root || isWaylandSession())
        return false;
    // EWMH: the root names a check window, which names itself.
    const xcb_atom_t check = internAtom(m_connection, "_NET_SUPPORTING_WM_CHECK");
    if (check == XCB_ATOM_NONE)
        return false;
    const xcb_window_t wm = windowProperty(m_connection, m_root, check);
    if (wm == XCB_WINDOW_NONE || windowProperty(m_connection, wm, check) != wm)
        return false;
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    return xtest && xtest->present;
}

bool X11WindowSystem::compositing() const
{
    if (!m_connection)
        return false;
    const xcb_atom_t selection = internAtom(m_connection, "_NET_WM_CM_S0");
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, selection), nullptr);
    if (!reply)
        return false;
    const bool owned = reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

void X11WindowSystem::preparePanel(quintptr windowId) const
{
    if (!m_connection || !windowId)
        return;
    const auto window = xcb_window_t(windowId);
    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window,
                        internAtom(m_connection, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    // Added to whatever state Qt sets on mapping (it keeps atoms it does not manage).
    const xcb_atom_t states[] = {internAtom(m_connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 internAtom(m_connection, "_NET_WM_STATE_SKIP_PAGER"),
                                 internAtom(m_connection, "_NET_WM_STATE_STICKY")};
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, window,
                        internAtom(m_connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3, states);
    xcb_flush(m_connection);
}

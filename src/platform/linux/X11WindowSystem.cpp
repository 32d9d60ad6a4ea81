#include "platform/linux/X11WindowSystem.h"

#include "platform/linux/DeviceGeometry.h"
#include "platform/linux/X11Clients.h"
#include "platform/linux/Xcb.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QSet>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <poll.h>

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
    m_connection = Xcb::connection();
    m_root = Xcb::rootOf(m_connection);
    m_clients = std::make_unique<X11Clients>(m_connection, m_root);
    if (!m_connection || !m_root || !QCoreApplication::instance())
        return;
    watchCompositor();
    // Windows mapped, moved, restacked and gone are reported by the root to whoever listens for
    // its substructure.
    const std::optional<uint32_t> before
        = m_clients->listenOnRoot(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    if (before) {
        // Qt never asked for these: they are ours alone.
        m_swallowRootEvents = !(*before & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        m_watchingRoot = true;
    }
    if (m_watchingRoot || m_compositorWatch)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowSystem::~X11WindowSystem()
{
    if ((m_watchingRoot || m_compositorWatch) && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_compositorWatch && QCoreApplication::instance()) {
        xcb_destroy_window(m_connection, m_compositorWatch);
        xcb_flush(m_connection);
    }
    if (m_timeConnection)
        xcb_disconnect(m_timeConnection);
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

Qt::WindowFlags X11WindowSystem::panelWindowFlags(PanelRole role) const
{
    switch (role) {
    case PanelRole::plain:
        return {};
    case PanelRole::clickThrough:
    case PanelRole::switchesClickThrough:
        // WORKAROUND(X11 window managers): a managed window sits in a frame that ignores the
        // input shape of the window it wraps, so a panel that passes clicks, always or at times
        // (the menu rail), must bypass the window manager.
        return Qt::X11BypassWindowManagerHint;
    case PanelRole::editor:
        // WORKAROUND(X11 window managers): the window manager stacks the windows it manages
        // below the unmanaged readouts, which we raise ourselves, so a managed editor would end
        // up under the panels it edits. Unmanaged, the editor is raised above them by us; it then
        // gets no focus from the window manager and asks for it itself.
        return Qt::X11BypassWindowManagerHint;
    }
    return {};
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

bool X11WindowSystem::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // Each of these events starts with the window it was reported on, then the window it is
    // about.
    struct Subject
    {
        uint8_t response_type, pad0;
        uint16_t sequence;
        xcb_window_t event, window;
    };
    switch (event->response_type & 0x7f) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
    case XCB_CIRCULATE_NOTIFY: {
        const auto *subject = reinterpret_cast<const Subject *>(event);
        if (subject->event != m_root || subject->window == m_root)
            return false;
        listChanged();
        return m_swallowRootEvents;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto *property = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (property->window == m_root
            && (property->atom == m_clients->atom("_NET_CLIENT_LIST_STACKING")
                || property->atom == m_clients->atom("_NET_CURRENT_DESKTOP")))
            listChanged();
        return false;
    }
    default:
        if (m_compositorWatch && (event->response_type & 0x7f) == m_selectionNotify) {
            const auto *notify
                = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
            if (notify->window != m_compositorWatch)
                return false;
            m_compositing = notify->owner != XCB_WINDOW_NONE;
            return true;
        }
        return false;
    }
}

std::optional<QList<WindowInfo>> X11WindowSystem::windowList() const
{
    constexpr qint64 kListFreshMs = 5000;
    if (!m_cacheClock.isValid())
        m_cacheClock.start();
    const qint64 now = m_cacheClock.elapsed();
    if (m_watchingRoot && m_list && m_listGeneration == m_generation
        && now - m_listAt < kListFreshMs)
        return m_list;
    m_listGeneration = m_generation;
    m_listAt = now;
    m_list.reset();

    // The stacking list runs bottom to top; callers want the front first.
    std::optional<QList<quint32>> stacking = m_clients->rootWindowList("_NET_CLIENT_LIST_STACKING");
    if (!stacking)
        return std::nullopt;
    std::reverse(stacking->begin(), stacking->end());

    QList<quint32> stale;
    for (const quint32 w : *stacking) {
        const auto it = m_cache.constFind(w);
        if (it == m_cache.constEnd() || now - it->readAt > 1000)
            stale << w;
    }
    if (!stale.isEmpty()) {
        const std::optional<quint32> desktop = m_clients->currentDesktop();
        for (const X11Client &client : m_clients->describe(stale, false)) {
            CachedClient cached;
            cached.info.id = client.window;
            cached.info.pid = client.pid;
            cached.info.layer = X11Clients::layerFor(client);
            cached.info.alpha = client.alpha;
            cached.extents = client.extents;
            cached.hidden = client.hidden;
            cached.shown = X11Clients::onDesktop(client, desktop);
            cached.readAt = now;
            m_cache.insert(client.window, cached);
        }
    }
    // Forget windows that left the list.
    const QSet<quint32> listed(stacking->begin(), stacking->end());
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (listed.contains(it.key()))
            ++it;
        else
            it = m_cache.erase(it);
    }

    QList<WindowInfo> out;
    const DeviceScale scale = DeviceScale::ofToolkit();
    for (const X11Clients::Placement &place : m_clients->placements(*stacking)) {
        const auto it = m_cache.constFind(place.window);
        if (it == m_cache.constEnd() || !place.viewable || it->hidden || !it->shown)
            continue;
        WindowInfo info = it->info;
        info.bounds = scale.toLogical(QRectF(place.client.marginsAdded(it->extents)));
        out << info;
    }
    m_list = out;
    return out;
}

QList<quint32> X11WindowSystem::standardWindows(pid_t pid) const
{
    QList<quint32> out;
    std::optional<QList<quint32>> stacking = m_clients->rootWindowList("_NET_CLIENT_LIST_STACKING");
    if (!stacking || pid <= 0)
        return out;
    std::reverse(stacking->begin(), stacking->end());
    for (const X11Client &client : m_clients->describe(*stacking, false)) {
        const bool normal
            = client.kind == X11WindowKind::normal || client.kind == X11WindowKind::none;
        if (client.pid == pid && normal && !client.hidden)
            out << client.window;
    }
    return out;
}

std::optional<quint32> X11WindowSystem::focusedWindow(pid_t pid) const
{
    const xcb_window_t active = m_clients->activeWindow();
    if (active == XCB_WINDOW_NONE || pid <= 0)
        return std::nullopt;
    const std::optional<X11Client> client = m_clients->describe(active);
    if (!client || client->pid != pid)
        return std::nullopt;
    return client->window;
}

std::optional<QRectF> X11WindowSystem::windowFrame(quint32 window) const
{
    const std::optional<X11Client> client = m_clients->describe(window);
    if (!client)
        return std::nullopt;
    return DeviceScale::ofToolkit().toLogical(QRectF(client->frame));
}

bool X11WindowSystem::setWindowFrame(quint32 window, const QRectF &frame)
{
    // Our own move is not waited for: the next list is read afresh.
    listChanged();
    const std::optional<X11Client> client = m_clients->describe(window);
    if (!client)
        return false;
    // The manager wants the client's size; the extents are what the frame adds around it.
    const QMargins extents = client->extents;
    const QRectF device = DeviceScale::ofToolkit().toDevice(frame);
    const QRect target(qRound(device.x()), qRound(device.y()), qRound(device.width()),
                       qRound(device.height()));
    // With NorthWest gravity the position names the outer top-left corner of the frame.
    constexpr quint32 kNorthWest = 1;
    constexpr quint32 kAllFourFields = 0xF << 8;
    constexpr quint32 kFromPager = 2 << 12;
    m_clients->sendToManager(
        window, "_NET_MOVERESIZE_WINDOW",
        {kNorthWest | kAllFourFields | kFromPager, quint32(target.x()), quint32(target.y()),
         quint32(std::max(1, target.width() - extents.left() - extents.right())),
         quint32(std::max(1, target.height() - extents.top() - extents.bottom()))});
    return true;
}

bool X11WindowSystem::raiseWindow(quint32 window)
{
    listChanged();
    if (!m_clients->valid() || !window)
        return false;
    constexpr quint32 kFromPager = 2;
    constexpr quint32 kAbove = XCB_STACK_MODE_ABOVE;
    m_clients->sendToManager(window, "_NET_ACTIVE_WINDOW",
                             {kFromPager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
    m_clients->sendToManager(window, "_NET_RESTACK_WINDOW",
                             {kFromPager, XCB_WINDOW_NONE, kAbove, 0, 0});
    return true;
}

bool X11WindowSystem::sendPasteKeystroke()
{
    if (!m_connection || !m_root)
        return false;
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    if (!xtest || !xtest->present)
        return false;

    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
    if (!symbols)
        return false;
    auto keycodeOf = [symbols](xcb_keysym_t sym) -> xcb_keycode_t {
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, sym);
        if (!codes)
            return 0;
        const xcb_keycode_t code = codes[0];
        std::free(codes);
        return code;
    };
    constexpr xcb_keysym_t controlL = 0xffe3;
    constexpr xcb_keysym_t lowerV = 0x0076;
    const xcb_keycode_t control = keycodeOf(controlL);
    const xcb_keycode_t v = keycodeOf(lowerV);
    xcb_key_symbols_free(symbols);
    if (!control || !v)
        return false;

    // Release every modifier key still down (Alt from Alt+Return, the hot key's own), so that
    // the target sees Ctrl+V and nothing else.
    xcb_query_keymap_reply_t *keymap
        = xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr);
    xcb_get_modifier_mapping_reply_t *modifiers = xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    if (keymap && modifiers) {
        const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(modifiers);
        const int count = xcb_get_modifier_mapping_keycodes_length(modifiers);
        QSet<xcb_keycode_t> released;
        for (int i = 0; i < count; ++i) {
            const xcb_keycode_t code = codes[i];
            if (!code || released.contains(code))
                continue;
            if (keymap->keys[code / 8] & (1 << (code % 8))) {
                xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME,
                                    XCB_WINDOW_NONE, 0, 0, 0);
                released.insert(code);
            }
        }
    }
    std::free(keymap);
    std::free(modifiers);

    for (const auto &[type, code] : {std::pair{XCB_KEY_PRESS, control},
                                     {XCB_KEY_PRESS, v},
                                     {XCB_KEY_RELEASE, v},
                                     {XCB_KEY_RELEASE, control}})
        xcb_test_fake_input(m_connection, uint8_t(type), code, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0,
                            0, 0);
    xcb_flush(m_connection);
    return true;
}

unsigned int X11WindowSystem::serverTime()
{
    if (!m_timeConnection) {
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return XCB_CURRENT_TIME;
        }
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_window_t window = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
        const char name[] = "_KAIDRO_TIMESTAMP";
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(sizeof name - 1), name), nullptr);
        m_timeAtom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        m_timeConnection = c;
        m_timeWindow = window;
    }
    if (m_timeAtom == XCB_ATOM_NONE)
        return XCB_CURRENT_TIME;
    // Appending nothing to a property still reports a change, stamped with the server time.
    const xcb_atom_t atom = m_timeAtom;
    xcb_change_property(m_timeConnection, XCB_PROP_MODE_APPEND, m_timeWindow, atom,
                        XCB_ATOM_INTEGER, 32, 0, nullptr);
    xcb_flush(m_timeConnection);
    // The answer is a round trip away; a server that does not answer within half a second
    // gets a request without a time rather than a frozen main thread.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500) {
        if (xcb_generic_event_t *event = xcb_poll_for_event(m_timeConnection)) {
            const bool isProperty = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
            const xcb_timestamp_t time
                = isProperty ? reinterpret_cast<xcb_property_notify_event_t *>(event)->time : 0;
            std::free(event);
            if (isProperty)
                return time;
            continue;
        }
        if (xcb_connection_has_error(m_timeConnection))
            break;
        pollfd fd{xcb_get_file_descriptor(m_timeConnection), POLLIN, 0};
        ::poll(&fd, 1, int(500 - waited.elapsed()));
    }
    return XCB_CURRENT_TIME;
}

bool X11WindowSystem::activateOwnWindow(quintptr windowId)
{
    listChanged();
    if (!m_connection || !m_root || !windowId)
        return false;
    const xcb_atom_t active = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE)
        return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(windowId);
    message.type = active;
    // Source 2, as pagers and task switchers send it: window managers with focus-stealing
    // prevention (openbox among them) ignore an application asking while it is not active.
    message.data.data32[0] = 2;
    message.data.data32[1] = serverTime();
    message.data.data32[2] = windowProperty(m_connection, m_root, active);
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
    return true;
}

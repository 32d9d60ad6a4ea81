#include "platform/linux/X11Clients.h"

#include "platform/linux/Xcb.h"

#include <xcb/res.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using Xcb::Reply;
using Xcb::take;

constexpr quint32 kMaxListLength = 65536;
constexpr quint32 kMaxAtoms = 64;
constexpr quint32 kMaxStringLongs = 256;
constexpr double kOpaque = 4294967295.0;

Reply<xcb_get_property_reply_t> propertyReply(xcb_connection_t *c, xcb_get_property_cookie_t cookie)
{
    xcb_generic_error_t *error = nullptr;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, &error);
    return take(reply, error);
}

QList<quint32> values32(const xcb_get_property_reply_t *reply)
{
    QList<quint32> out;
    if (!reply || reply->format != 32)
        return out;
    const int count = xcb_get_property_value_length(reply) / 4;
    const auto *data = static_cast<const quint32 *>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t *>(reply)));
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out << data[i];
    return out;
}

std::optional<quint32> value32(const xcb_get_property_reply_t *reply)
{
    const QList<quint32> values = values32(reply);
    if (values.isEmpty())
        return std::nullopt;
    return values.first();
}

QByteArray bytes(const xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char *>(
                          xcb_get_property_value(const_cast<xcb_get_property_reply_t *>(reply))),
                      xcb_get_property_value_length(reply));
}

// The request cookies of one client, all sent before any reply is read.
struct Pending
{
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t extents;
    xcb_get_property_cookie_t pid;
    xcb_get_property_cookie_t type;
    xcb_get_property_cookie_t state;
    xcb_get_property_cookie_t desktop;
    xcb_get_property_cookie_t opacity;
    xcb_get_property_cookie_t wmClass;
    xcb_get_property_cookie_t gtkId;
};

} // namespace

X11Clients::X11Clients(xcb_connection_t *connection, xcb_window_t root)
    : m_connection(connection)
    , m_root(root)
{
    if (!valid())
        return;
    const xcb_query_extension_reply_t *res = xcb_get_extension_data(m_connection, &xcb_res_id);
    m_hasRes = res && res->present;
    internAll({"_NET_CLIENT_LIST",
               "_NET_CLIENT_LIST_STACKING",
               "_NET_ACTIVE_WINDOW",
               "_NET_CURRENT_DESKTOP",
               "_NET_FRAME_EXTENTS",
               "_NET_WM_PID",
               "_NET_WM_WINDOW_TYPE",
               "_NET_WM_STATE",
               "_NET_WM_DESKTOP",
               "_NET_WM_WINDOW_OPACITY",
               "_NET_WM_STATE_HIDDEN",
               "_NET_WM_STATE_ABOVE",
               "_NET_WM_STATE_SKIP_TASKBAR",
               "_NET_WM_WINDOW_TYPE_NORMAL",
               "_NET_WM_WINDOW_TYPE_DIALOG",
               "_NET_WM_WINDOW_TYPE_UTILITY",
               "_NET_WM_WINDOW_TYPE_TOOLBAR",
               "_NET_WM_WINDOW_TYPE_DOCK",
               "_NET_WM_WINDOW_TYPE_DESKTOP",
               "_NET_WM_WINDOW_TYPE_MENU",
               "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
               "_NET_WM_WINDOW_TYPE_POPUP_MENU",
               "_NET_WM_WINDOW_TYPE_TOOLTIP",
               "_NET_WM_WINDOW_TYPE_NOTIFICATION",
               "_NET_WM_WINDOW_TYPE_SPLASH",
               "_NET_WM_WINDOW_TYPE_COMBO",
               "_NET_WM_WINDOW_TYPE_DND",
               "_GTK_APPLICATION_ID",
               "_NET_MOVERESIZE_WINDOW",
               "_NET_RESTACK_WINDOW"});
}

std::optional<uint32_t> X11Clients::listenOnRoot(uint32_t events) const
{
    if (!valid())
        return std::nullopt;
    xcb_generic_error_t *error = nullptr;
    const auto attributes
        = take(xcb_get_window_attributes_reply(
                   m_connection, xcb_get_window_attributes(m_connection, m_root), &error),
               error);
    if (!attributes)
        return std::nullopt;
    const uint32_t before = attributes->your_event_mask;
    const uint32_t mask = before | events;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    return before;
}

void X11Clients::internAll(std::initializer_list<const char *> names) const
{
    QList<xcb_intern_atom_cookie_t> cookies;
    for (const char *name : names)
        cookies << xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name);
    int i = 0;
    for (const char *name : names) {
        xcb_generic_error_t *error = nullptr;
        const auto reply
            = take(xcb_intern_atom_reply(m_connection, cookies.at(i++), &error), error);
        if (reply)
            m_atoms.insert(QByteArray(name), reply->atom);
    }
}

xcb_atom_t X11Clients::atom(const char *name) const
{
    if (!m_connection)
        return XCB_ATOM_NONE;
    const auto cached
        = m_atoms.constFind(QByteArray::fromRawData(name, qsizetype(std::strlen(name))));
    if (cached != m_atoms.constEnd())
        return *cached;
    internAll({name});
    return m_atoms.value(QByteArray(name), XCB_ATOM_NONE);
}

std::optional<QList<quint32>> X11Clients::rootWindowList(const char *property) const
{
    if (!valid())
        return std::nullopt;
    const auto reply = propertyReply(m_connection,
                                     xcb_get_property(m_connection, 0, m_root, atom(property),
                                                      XCB_ATOM_WINDOW, 0, kMaxListLength));
    if (!reply || reply->type != XCB_ATOM_WINDOW)
        return std::nullopt;
    return values32(reply.get());
}

std::optional<quint32> X11Clients::rootCardinal(const char *property) const
{
    if (!valid())
        return std::nullopt;
    const auto reply = propertyReply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1));
    return value32(reply.get());
}

xcb_window_t X11Clients::activeWindow() const
{
    return rootCardinal("_NET_ACTIVE_WINDOW").value_or(XCB_WINDOW_NONE);
}

std::optional<quint32> X11Clients::currentDesktop() const
{
    return rootCardinal("_NET_CURRENT_DESKTOP");
}

QList<X11Clients::Placement> X11Clients::placements(const QList<quint32> &windows) const
{
    QList<Placement> out;
    if (!valid() || windows.isEmpty())
        return out;
    xcb_connection_t *c = m_connection;
    struct Cookies
    {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    QList<Cookies> cookies;
    cookies.reserve(windows.size());
    for (const quint32 w : windows) {
        cookies << Cookies{xcb_get_window_attributes(c, w), xcb_get_geometry(c, w),
                           xcb_translate_coordinates(c, w, m_root, 0, 0)};
    }
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t *error = nullptr;
        const auto attributes
            = take(xcb_get_window_attributes_reply(c, cookies.at(i).attributes, &error), error);
        error = nullptr;
        const auto geometry
            = take(xcb_get_geometry_reply(c, cookies.at(i).geometry, &error), error);
        error = nullptr;
        const auto origin
            = take(xcb_translate_coordinates_reply(c, cookies.at(i).origin, &error), error);
        if (!attributes || !geometry || !origin)
            continue; // gone since the list was read
        out << Placement{windows.at(i), attributes->map_state == XCB_MAP_STATE_VIEWABLE,
                         QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height)};
    }
    return out;
}

QList<X11Client> X11Clients::describe(const QList<quint32> &windows, bool withClasses) const
{
    QList<X11Client> out;
    if (!valid() || windows.isEmpty())
        return out;
    xcb_connection_t *c = m_connection;
    auto property = [&](xcb_window_t w, const char *name, xcb_atom_t type, quint32 length) {
        return xcb_get_property(c, 0, w, atom(name), type, 0, length);
    };
    QList<Pending> pending;
    pending.reserve(windows.size());
    for (const quint32 w : windows) {
        Pending p{};
        p.attributes = xcb_get_window_attributes(c, w);
        p.geometry = xcb_get_geometry(c, w);
        p.origin = xcb_translate_coordinates(c, w, m_root, 0, 0);
        p.extents = property(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4);
        p.pid = property(w, "_NET_WM_PID", XCB_ATOM_CARDINAL, 1);
        p.type = property(w, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, kMaxAtoms);
        p.state = property(w, "_NET_WM_STATE", XCB_ATOM_ATOM, kMaxAtoms);
        p.desktop = property(w, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, 1);
        p.opacity = property(w, "_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL, 1);
        if (withClasses) {
            p.wmClass
                = xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, kMaxStringLongs);
            p.gtkId
                = property(w, "_GTK_APPLICATION_ID", XCB_GET_PROPERTY_TYPE_ANY, kMaxStringLongs);
        }
        pending << p;
    }

    const QHash<xcb_atom_t, X11WindowKind> kinds = {
        {atom("_NET_WM_WINDOW_TYPE_NORMAL"), X11WindowKind::normal},
        {atom("_NET_WM_WINDOW_TYPE_DIALOG"), X11WindowKind::dialog},
        {atom("_NET_WM_WINDOW_TYPE_UTILITY"), X11WindowKind::utility},
        {atom("_NET_WM_WINDOW_TYPE_TOOLBAR"), X11WindowKind::toolbar},
        {atom("_NET_WM_WINDOW_TYPE_DOCK"), X11WindowKind::dock},
        {atom("_NET_WM_WINDOW_TYPE_DESKTOP"), X11WindowKind::desktop},
        {atom("_NET_WM_WINDOW_TYPE_MENU"), X11WindowKind::menu},
        {atom("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"), X11WindowKind::menu},
        {atom("_NET_WM_WINDOW_TYPE_POPUP_MENU"), X11WindowKind::menu},
        {atom("_NET_WM_WINDOW_TYPE_COMBO"), X11WindowKind::menu},
        {atom("_NET_WM_WINDOW_TYPE_TOOLTIP"), X11WindowKind::tooltip},
        {atom("_NET_WM_WINDOW_TYPE_NOTIFICATION"), X11WindowKind::notification},
        {atom("_NET_WM_WINDOW_TYPE_SPLASH"), X11WindowKind::splash},
        {atom("_NET_WM_WINDOW_TYPE_DND"), X11WindowKind::other},
    };
    const xcb_atom_t hiddenAtom = atom("_NET_WM_STATE_HIDDEN");
    const xcb_atom_t aboveAtom = atom("_NET_WM_STATE_ABOVE");
    const xcb_atom_t skipTaskbarAtom = atom("_NET_WM_STATE_SKIP_TASKBAR");

    QList<qsizetype> withoutPid;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        const Pending &p = pending.at(i);
        xcb_generic_error_t *error = nullptr;
        const auto attributes
            = take(xcb_get_window_attributes_reply(c, p.attributes, &error), error);
        error = nullptr;
        const auto geometry = take(xcb_get_geometry_reply(c, p.geometry, &error), error);
        error = nullptr;
        const auto origin = take(xcb_translate_coordinates_reply(c, p.origin, &error), error);
        const auto extents = propertyReply(c, p.extents);
        const auto pid = propertyReply(c, p.pid);
        const auto type = propertyReply(c, p.type);
        const auto state = propertyReply(c, p.state);
        const auto desktop = propertyReply(c, p.desktop);
        const auto opacity = propertyReply(c, p.opacity);
        Reply<xcb_get_property_reply_t> wmClass;
        Reply<xcb_get_property_reply_t> gtkId;
        if (withClasses) {
            wmClass = propertyReply(c, p.wmClass);
            gtkId = propertyReply(c, p.gtkId);
        }
        if (!attributes || !geometry || !origin)
            continue; // gone since the list was read

        X11Client client;
        client.window = windows.at(i);
        client.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        const QList<quint32> frame = values32(extents.get()); // left, right, top, bottom
        const int left = frame.size() == 4 ? int(frame[0]) : 0;
        const int right = frame.size() == 4 ? int(frame[1]) : 0;
        const int top = frame.size() == 4 ? int(frame[2]) : 0;
        const int bottom = frame.size() == 4 ? int(frame[3]) : 0;
        client.frame = QRect(origin->dst_x - left, origin->dst_y - top,
                             geometry->width + left + right, geometry->height + top + bottom);
        client.extents = QMargins(left, top, right, bottom);
        client.pid = pid_t(value32(pid.get()).value_or(0));
        client.desktop = value32(desktop.get());
        if (const std::optional<quint32> o = value32(opacity.get()))
            client.alpha = double(*o) / kOpaque;
        // The first type the list names that we know wins, as the manager reads it.
        const QList<quint32> types = values32(type.get());
        if (!types.isEmpty()) {
            client.kind = X11WindowKind::other;
            for (const quint32 t : types) {
                const auto known = kinds.constFind(t);
                if (known != kinds.constEnd()) {
                    client.kind = *known;
                    break;
                }
            }
        }
        for (const quint32 s : values32(state.get())) {
            client.hidden = client.hidden || s == hiddenAtom;
            client.above = client.above || s == aboveAtom;
            client.skipTaskbar = client.skipTaskbar || s == skipTaskbarAtom;
        }
        if (withClasses) {
            // WM_CLASS is two NUL-terminated strings: instance, then class.
            const QList<QByteArray> parts = bytes(wmClass.get()).split('\0');
            client.instanceName = parts.value(0);
            client.className = parts.value(1);
            client.gtkApplicationId = bytes(gtkId.get());
        }
        if (client.pid <= 0) {
            client.pid = 0;
            withoutPid << out.size();
        }
        out << client;
    }

    // WORKAROUND(xeyes, ImageMagick display): some clients never set _NET_WM_PID; the server
    // knows the pid of local clients through XRes.
    if (m_hasRes && !withoutPid.isEmpty()) {
        QList<xcb_res_query_client_ids_cookie_t> cookies;
        for (const qsizetype i : withoutPid) {
            xcb_res_client_id_spec_t spec{out.at(i).window,
                                          XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            cookies << xcb_res_query_client_ids(c, 1, &spec);
        }
        for (qsizetype k = 0; k < withoutPid.size(); ++k) {
            xcb_generic_error_t *error = nullptr;
            const auto reply
                = take(xcb_res_query_client_ids_reply(c, cookies.at(k), &error), error);
            if (!reply)
                continue;
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)
                    && xcb_res_client_id_value_value_length(it.data) >= 1) {
                    out[withoutPid.at(k)].pid = pid_t(*xcb_res_client_id_value_value(it.data));
                    break;
                }
            }
        }
    }
    return out;
}

std::optional<X11Client> X11Clients::describe(quint32 window) const
{
    const QList<X11Client> one = describe(QList<quint32>{window}, false);
    if (one.isEmpty())
        return std::nullopt;
    return one.first();
}

bool X11Clients::onDesktop(const X11Client &client, std::optional<quint32> current)
{
    constexpr quint32 kAllDesktops = 0xFFFFFFFF;
    return !client.desktop || !current || *client.desktop == kAllDesktops
        || *client.desktop == *current;
}

int X11Clients::layerFor(const X11Client &client)
{
    switch (client.kind) {
    case X11WindowKind::none:
    case X11WindowKind::normal:
    case X11WindowKind::dialog:
    case X11WindowKind::utility:
    case X11WindowKind::toolbar:
    case X11WindowKind::other:
        return client.above ? 3 : 0;
    case X11WindowKind::desktop:
        return 1;
    case X11WindowKind::dock:
        return 20;
    case X11WindowKind::menu:
        return 101;
    case X11WindowKind::notification:
    case X11WindowKind::splash:
        return 102;
    case X11WindowKind::tooltip:
        return 103;
    }
    return 0;
}

void X11Clients::sendToManager(xcb_window_t window, const char *type,
                               const std::array<quint32, 5> &data) const
{
    if (!valid())
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(m_connection);
}

#include "platform/linux/LinuxScreens.h"

#include "platform/Geometry.h"
#include "platform/linux/DeviceGeometry.h"
#include "platform/linux/Xcb.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <xcb/xinput.h>

#include <sys/uio.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Of XInput only its version and the master devices' raw motion are asked for. The two requests
// are sent through xcb's own request call with the extension's layouts from its header, so the
// extension's library (some 150 KB of code, paged in whole) is not linked for them.
xcb_extension_t g_xinput{"XInputExtension", 0};

// Sends one request of XInput: `body` starts with its fixed part, whose first four bytes xcb
// fills in (the opcodes and the length). Returns the request's sequence number.
unsigned int sendXInput(xcb_connection_t *c, uint8_t opcode, bool hasReply, void *body,
                        std::size_t length)
{
    const xcb_protocol_request_t request{2, &g_xinput, opcode, uint8_t(hasReply ? 0 : 1)};
    iovec parts[4] = {};
    parts[2] = {body, length};
    parts[3] = {nullptr, -length & 3};
    return xcb_send_request(c, hasReply ? XCB_REQUEST_CHECKED : 0, parts + 2, &request);
}

// The major version of XInput the server speaks to this connection, 0 when it has none.
int xinputVersion(xcb_connection_t *c)
{
    xcb_input_xi_query_version_request_t body{};
    body.major_version = 2;
    body.minor_version = 2;
    const unsigned int sequence
        = sendXInput(c, XCB_INPUT_XI_QUERY_VERSION, true, &body, sizeof body);
    xcb_generic_error_t *error = nullptr;
    const auto reply = Xcb::take(
        static_cast<xcb_input_xi_query_version_reply_t *>(xcb_wait_for_reply(c, sequence, &error)),
        error);
    return reply ? reply->major_version : 0;
}

} // namespace

class LinuxScreens::EventFilter final : public QAbstractNativeEventFilter
{
public:
    explicit EventFilter(LinuxScreens *owner)
        : m_owner(owner)
    { }
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const int kind = event->response_type & 0x7f;
        // Outputs and the work area are Qt's to follow too: their reports are only looked at.
        if (m_owner->m_randrEvent >= 0
            && (kind == m_owner->m_randrEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY
                || kind == m_owner->m_randrEvent + XCB_RANDR_NOTIFY)) {
            m_owner->m_settle->start();
            return false;
        }
        if (kind == XCB_PROPERTY_NOTIFY) {
            auto *property = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (property->atom == m_owner->m_workAreaAtom && property->window == m_owner->m_root)
                m_owner->m_settle->start();
            return false;
        }
        if (kind != XCB_GE_GENERIC || m_owner->m_watchers == 0)
            return false;
        auto *generic = reinterpret_cast<xcb_ge_generic_event_t *>(event);
        if (generic->extension != m_owner->m_xinputOpcode
            || generic->event_type != XCB_INPUT_RAW_MOTION)
            return false;
        m_owner->noteMotion();
        return true;
    }

private:
    LinuxScreens *m_owner;
};

LinuxScreens::LinuxScreens(QObject *parent)
    : Screens(parent)
{
    // One change of the outputs comes as several reports (an output off, the screen resized,
    // the work area moved), and between them the layout is half changed: the listeners hear
    // once, after the reports have stopped coming.
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(100);
    connect(m_settle, &QTimer::timeout, this, [this] {
        m_current = readServer();
        emit changed();
    });
    for (QScreen *s : QGuiApplication::screens())
        watch(s);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen *s) {
        watch(s);
        m_settle->start();
    });
    connect(qApp, &QGuiApplication::screenRemoved, m_settle, qOverload<>(&QTimer::start));
    connect(qApp, &QGuiApplication::primaryScreenChanged, m_settle, qOverload<>(&QTimer::start));

    m_root = Xcb::rootOf(Xcb::connection());
    if (xcb_connection_t *c = Xcb::connection()) {
        const xcb_query_extension_reply_t *xinput = xcb_get_extension_data(c, &g_xinput);
        const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
        const auto intern = [c](const char *name) {
            return xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
        };
        const xcb_intern_atom_cookie_t workArea = intern("_NET_WORKAREA");
        const xcb_intern_atom_cookie_t clientList = intern("_NET_CLIENT_LIST");
        const xcb_intern_atom_cookie_t strutPartial = intern("_NET_WM_STRUT_PARTIAL");
        const xcb_intern_atom_cookie_t strut = intern("_NET_WM_STRUT");
        const xcb_intern_atom_cookie_t edid = intern("EDID");
        // Raw events need XInput 2.0 or later, the outputs' monitors RandR 1.5.
        if (xinput && xinput->present && xinputVersion(c) >= 2)
            m_xinputOpcode = xinput->major_opcode;
        if (randr && randr->present) {
            // Asked as Qt asks, so the version the server keeps for the connection stays.
            xcb_randr_query_version_reply_t *version = xcb_randr_query_version_reply(
                c, xcb_randr_query_version(c, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION),
                nullptr);
            if (version && (version->major_version > 1 || version->minor_version >= 5))
                m_randrEvent = randr->first_event;
            std::free(version);
        }
        const auto atomOf = [c](xcb_intern_atom_cookie_t cookie) -> quint32 {
            xcb_generic_error_t *error = nullptr;
            const auto atom = Xcb::take(xcb_intern_atom_reply(c, cookie, &error), error);
            return atom ? atom->atom : quint32(XCB_ATOM_NONE);
        };
        m_workAreaAtom = atomOf(workArea);
        m_clientListAtom = atomOf(clientList);
        m_strutPartialAtom = atomOf(strutPartial);
        m_strutAtom = atomOf(strut);
        m_edidAtom = atomOf(edid);
    }
    m_current = readServer();
    m_filter = std::make_unique<EventFilter>(this);
    QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
    if (m_xinputOpcode >= 0) {
        m_coalesce = new QTimer(this);
        m_coalesce->setSingleShot(true);
        m_coalesce->setInterval(40);
        connect(m_coalesce, &QTimer::timeout, this, &Screens::pointerMoved);
    }
}

LinuxScreens::~LinuxScreens()
{
    if (m_filter && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(m_filter.get());
}

bool LinuxScreens::watchesPointer() const
{
    return m_xinputOpcode >= 0;
}

void LinuxScreens::startPointerWatch()
{
    if (m_xinputOpcode < 0)
        return;
    if (m_watchers++ == 0)
        selectRawMotion(true);
}

void LinuxScreens::stopPointerWatch()
{
    if (m_xinputOpcode < 0 || m_watchers == 0)
        return;
    if (--m_watchers == 0)
        selectRawMotion(false);
}

void LinuxScreens::selectRawMotion(bool on)
{
    xcb_connection_t *c = Xcb::connection();
    if (!c || m_root == XCB_WINDOW_NONE)
        return;
    // A mask of its own for the master devices, so the one Qt keeps for all devices stays.
    struct
    {
        xcb_input_xi_select_events_request_t fixed;
        xcb_input_event_mask_t head;
        uint32_t mask;
    } request{{0, 0, 0, m_root, 1, {0, 0}},
              {XCB_INPUT_DEVICE_ALL_MASTER, 1},
              on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    static_assert(sizeof request == 20, "XISelectEvents with one mask of one word");
    sendXInput(c, XCB_INPUT_XI_SELECT_EVENTS, false, &request, sizeof request);
    xcb_flush(c);
}

void LinuxScreens::noteMotion()
{
    // Raw motion comes at the mouse's rate; the listeners hear of it at most every 40 ms.
    if (!m_coalesce->isActive())
        m_coalesce->start();
}

void LinuxScreens::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, m_settle, qOverload<>(&QTimer::start));
    connect(screen, &QScreen::availableGeometryChanged, m_settle, qOverload<>(&QTimer::start));
}

QList<ScreenInfo> LinuxScreens::screens() const
{
    return m_current.isEmpty() ? qtScreens() : m_current;
}

QList<ScreenInfo> LinuxScreens::readServer()
{
    // The server's own monitors, not Qt's screens: under load Qt can miss an output switched
    // off and keep a screen that is no longer there.
    xcb_connection_t *c = Xcb::connection();
    if (!c || m_randrEvent < 0)
        return {};
    const xcb_randr_get_monitors_cookie_t monitorsCookie = xcb_randr_get_monitors(c, m_root, 1);
    const xcb_get_property_cookie_t areaCookie
        = xcb_get_property(c, 0, m_root, m_workAreaAtom, XCB_ATOM_CARDINAL, 0, 4);
    xcb_generic_error_t *error = nullptr;
    const auto monitors = Xcb::take(xcb_randr_get_monitors_reply(c, monitorsCookie, &error), error);
    const auto area = Xcb::take(xcb_get_property_reply(c, areaCookie, &error), error);
    if (!monitors)
        return {};

    // The work area of the first desktop, as the toolkit takes it; without one, all of it.
    QRect workArea;
    if (area && area->format == 32 && xcb_get_property_value_length(area.get()) >= 16) {
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(area.get()));
        workArea = QRect(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
    }
    struct Monitor
    {
        xcb_atom_t name;
        QRect frame;
        QList<quint32> outputs;
    };
    QList<Monitor> found;
    QList<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> nameCookies;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_output_t *outputs = xcb_randr_monitor_info_outputs(it.data);
        const Monitor m{
            it.data->name, QRect(it.data->x, it.data->y, it.data->width, it.data->height),
            QList<quint32>(outputs, outputs + xcb_randr_monitor_info_outputs_length(it.data))};
        if (m.frame.isEmpty())
            continue;
        // The primary display first, the others in the server's order.
        found.insert(it.data->primary ? 0 : found.size(), m);
        if (!m_monitorNames.contains(m.name))
            nameCookies.append({m.name, xcb_get_atom_name(c, m.name)});
    }
    for (const auto &[atom, cookie] : std::as_const(nameCookies)) {
        xcb_generic_error_t *error = nullptr;
        if (const auto reply = Xcb::take(xcb_get_atom_name_reply(c, cookie, &error), error)) {
            m_monitorNames.insert(atom,
                                  QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                                    xcb_get_atom_name_name_length(reply.get())));
        }
    }

    QList<ScreenInfo> out;
    if (found.isEmpty())
        return out;
    // `_NET_WORKAREA` is one rectangle for the whole root: right for one monitor, but with
    // several it takes a panel on one monitor from the others too. Each monitor's work area
    // comes from the docks' struts; with one monitor the window manager's own says the rest.
    const QList<Strut> struts = readStruts();
    const xcb_screen_t *root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QSize rootSize(root->width_in_pixels, root->height_in_pixels);
    for (const Monitor &m : std::as_const(found)) {
        const QString name = m_monitorNames.value(m.name);
        QRect visible = ::workArea(m.frame, struts, rootSize);
        if (found.size() == 1 && workArea.isValid() && !(visible & workArea).isEmpty())
            visible &= workArea;
        // Model points are the toolkit's logical pixels, y-up; flipped once all are known.
        const DeviceScreen device{m.frame, ratioOf(name, m.frame)};
        out << ScreenInfo{name, device.logical(), device.toLogical(QRectF(visible)),
                          identityOf(m.outputs)};
    }
    const double h = out.first().frame.height();
    for (ScreenInfo &s : out) {
        s.frame = YUp::flip(s.frame, h);
        s.visibleFrame = YUp::flip(s.visibleFrame, h);
    }
    return out;
}

QString LinuxScreens::identityOf(const QList<quint32> &outputs) const
{
    xcb_connection_t *c = Xcb::connection();
    if (!c || m_edidAtom == XCB_ATOM_NONE)
        return {};
    for (const quint32 output : outputs) {
        // An EDID block is 128 bytes, with extensions a few more; 1 KiB in 32-bit units.
        xcb_generic_error_t *error = nullptr;
        const auto reply = Xcb::take(
            xcb_randr_get_output_property_reply(
                c, xcb_randr_get_output_property(c, output, m_edidAtom, XCB_ATOM_ANY, 0, 256, 0, 0),
                &error),
            error);
        if (!reply || reply->format != 8 || reply->num_items < 128)
            continue;
        const auto *data
            = reinterpret_cast<const char *>(xcb_randr_get_output_property_data(reply.get()));
        // The base block names the monitor: maker, product, serial and date, which is what
        // tells two monitors apart; the hash keeps the serial number out of the files.
        return QString::fromLatin1(
            QCryptographicHash::hash(QByteArray(data, 128), QCryptographicHash::Sha256)
                .toHex()
                .left(16));
    }
    return {};
}

double LinuxScreens::ratioOf(const QString &name, const QRect &device)
{
    // Qt names its screens after the same monitors; one it has not caught up with yet has the
    // scale of the others, which on X11 comes from the one Xft.dpi of the whole display.
    const QList<QScreen *> all = QGuiApplication::screens();
    for (const QScreen *s : all) {
        if (s->name() == name)
            return s->devicePixelRatio();
    }
    for (const QScreen *s : all) {
        if (s->geometry().topLeft() == device.topLeft())
            return s->devicePixelRatio();
    }
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->devicePixelRatio() : 1.0;
}

QList<Strut> LinuxScreens::readStruts() const
{
    xcb_connection_t *c = Xcb::connection();
    QList<Strut> out;
    if (!c || m_clientListAtom == XCB_ATOM_NONE)
        return out;
    xcb_generic_error_t *error = nullptr;
    const auto list = Xcb::take(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, m_root, m_clientListAtom, XCB_ATOM_WINDOW, 0, 4096), &error),
        error);
    if (!list || list->format != 32)
        return out;
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    // Every request goes out before the first reply is read: one round trip for all windows.
    QList<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
    for (int i = 0; i < count; ++i)
        cookies << std::pair(
            xcb_get_property(c, 0, windows[i], m_strutPartialAtom, XCB_ATOM_CARDINAL, 0, 12),
            xcb_get_property(c, 0, windows[i], m_strutAtom, XCB_ATOM_CARDINAL, 0, 4));
    const auto values = [c](xcb_get_property_cookie_t cookie, int wanted) -> QList<quint32> {
        xcb_generic_error_t *error = nullptr;
        const auto reply = Xcb::take(xcb_get_property_reply(c, cookie, &error), error);
        if (!reply || reply->format != 32
            || xcb_get_property_value_length(reply.get()) < wanted * 4)
            return {};
        const auto *v = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
        return QList<quint32>(v, v + wanted);
    };
    for (const auto &[partialCookie, strutCookie] : std::as_const(cookies)) {
        const QList<quint32> partial = values(partialCookie, 12);
        const QList<quint32> plain = values(strutCookie, 4);
        Strut s{};
        if (!partial.isEmpty()) {
            std::copy(partial.begin(), partial.end(), s.begin());
        } else if (!plain.isEmpty()) {
            // The older property reserves the whole length of each edge.
            std::copy(plain.begin(), plain.end(), s.begin());
            for (int i = 4; i < 12; i += 2)
                s[i + 1] = std::numeric_limits<quint16>::max();
        } else {
            continue;
        }
        out << s;
    }
    return out;
}

QList<ScreenInfo> LinuxScreens::qtScreens()
{
    QList<ScreenInfo> out;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return out;
    const double h = primary->geometry().height();
    auto info = [h](QScreen *s) {
        return ScreenInfo{s->name(), YUp::flip(QRectF(s->geometry()), h),
                          YUp::flip(QRectF(s->availableGeometry()), h)};
    };
    out << info(primary);
    for (QScreen *s : QGuiApplication::screens()) {
        if (s != primary)
            out << info(s);
    }
    return out;
}

QPointF LinuxScreens::pointerLocation() const
{
    const QList<ScreenInfo> all = screens();
    if (all.isEmpty())
        return {};
    // The pointer sits on a pixel; its y-up location is that pixel's top edge, so a pointer
    // on the top row of the primary display reads as the display's top.
    return YUp::flip(QPointF(QCursor::pos()), all.first().frame.height());
}

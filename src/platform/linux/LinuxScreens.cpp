#include "platform/linux/LinuxScreens.h"

#include "platform/Geometry.h"
#include "platform/linux/Xcb.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <memory>

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
        const xcb_query_extension_reply_t *xinput = xcb_get_extension_data(c, &xcb_input_id);
        const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
        const xcb_intern_atom_cookie_t workArea = xcb_intern_atom(c, 0, 12, "_NET_WORKAREA");
        // Raw events need XInput 2.0 or later, the outputs' monitors RandR 1.5.
        if (xinput && xinput->present) {
            xcb_input_xi_query_version_reply_t *version
                = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
            if (version && version->major_version >= 2)
                m_xinputOpcode = xinput->major_opcode;
            std::free(version);
        }
        if (randr && randr->present) {
            // Asked as Qt asks, so the version the server keeps for the connection stays.
            xcb_randr_query_version_reply_t *version = xcb_randr_query_version_reply(
                c, xcb_randr_query_version(c, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION),
                nullptr);
            if (version && (version->major_version > 1 || version->minor_version >= 5))
                m_randrEvent = randr->first_event;
            std::free(version);
        }
        if (xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, workArea, nullptr)) {
            m_workAreaAtom = atom->atom;
            std::free(atom);
        }
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
        xcb_input_event_mask_t head;
        uint32_t mask;
    } request{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
              on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    xcb_input_xi_select_events(c, m_root, 1, &request.head);
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
    };
    QList<Monitor> found;
    QList<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> nameCookies;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const Monitor m{it.data->name,
                        QRect(it.data->x, it.data->y, it.data->width, it.data->height)};
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
    const double h = found.first().frame.height();
    for (const Monitor &m : std::as_const(found)) {
        QRect visible = workArea.isValid() ? m.frame & workArea : m.frame;
        if (visible.isEmpty())
            visible = m.frame;
        out << ScreenInfo{m_monitorNames.value(m.name), YUp::flip(QRectF(m.frame), h),
                          YUp::flip(QRectF(visible), h)};
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

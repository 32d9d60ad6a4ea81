#include "platform/linux/LinuxScreens.h"

#include "platform/Geometry.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

class LinuxScreens::MotionFilter final : public QAbstractNativeEventFilter
{
public:
    explicit MotionFilter(LinuxScreens *owner)
        : m_owner(owner)
    { }
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || m_owner->m_watchers == 0)
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
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

namespace {
xcb_connection_t *qtConnection(xcb_window_t *root)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (c && root) {
        const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        *root = it.rem > 0 ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    }
    return c;
}
} // namespace

LinuxScreens::LinuxScreens(QObject *parent)
    : Screens(parent)
{
    // One change of the outputs reaches Qt as several reports (a screen removed, the primary
    // moved, geometries changed), and between them its list of screens is half updated: the
    // listeners hear once, after the reports have stopped coming.
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(100);
    connect(m_settle, &QTimer::timeout, this, [this] {
        m_heard = screens();
        emit changed();
        m_recheck->start();
    });
    // Under load Qt's screens can still be half updated when the reports stop: a second look
    // a moment later tells the listeners again if what they heard has changed since.
    m_recheck = new QTimer(this);
    m_recheck->setSingleShot(true);
    m_recheck->setInterval(1000);
    connect(m_recheck, &QTimer::timeout, this, [this] {
        if (screens() != m_heard)
            m_settle->start();
    });
    for (QScreen *s : QGuiApplication::screens())
        watch(s);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen *s) {
        watch(s);
        m_settle->start();
    });
    connect(qApp, &QGuiApplication::screenRemoved, m_settle, qOverload<>(&QTimer::start));
    connect(qApp, &QGuiApplication::primaryScreenChanged, m_settle, qOverload<>(&QTimer::start));

    if (xcb_connection_t *c = qtConnection(nullptr)) {
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_input_id);
        if (ext && ext->present) {
            // Raw events need XInput 2.0 or later.
            xcb_input_xi_query_version_reply_t *version
                = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
            if (version && version->major_version >= 2)
                m_xinputOpcode = ext->major_opcode;
            std::free(version);
        }
    }
    if (m_xinputOpcode >= 0) {
        m_filter = std::make_unique<MotionFilter>(this);
        QCoreApplication::instance()->installNativeEventFilter(m_filter.get());
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
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_connection_t *c = qtConnection(&root);
    if (!c || root == XCB_WINDOW_NONE)
        return;
    // A mask of its own for the master devices, so the one Qt keeps for all devices stays.
    struct
    {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } request{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
              on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    xcb_input_xi_select_events(c, root, 1, &request.head);
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
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    // The pointer sits on a pixel; its y-up location is that pixel's top edge, so a pointer
    // on the top row of the primary display reads as the display's top.
    return YUp::flip(QPointF(QCursor::pos()), primary->geometry().height());
}

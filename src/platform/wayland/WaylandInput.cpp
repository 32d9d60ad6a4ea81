#include "platform/wayland/WaylandInput.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeys.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleHints>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// One notch of a wheel moves 10 surface units and is 120 eighths of a degree to the toolkit.
constexpr double kAngleUnitsPerSurfaceUnit = 12.0;

Qt::MouseButton qtButton(quint32 button)
{
    switch (button) {
    case BTN_LEFT:
        return Qt::LeftButton;
    case BTN_RIGHT:
        return Qt::RightButton;
    case BTN_MIDDLE:
        return Qt::MiddleButton;
    case BTN_SIDE:
        return Qt::BackButton;
    case BTN_EXTRA:
        return Qt::ForwardButton;
    default:
        return Qt::NoButton;
    }
}

} // namespace

struct WaylandInput::Events
{
    static WaylandInput *self(void *data) { return static_cast<WaylandInput *>(data); }

    static void capabilities(void *data, wl_seat *, uint32_t caps)
    {
        self(data)->setCapabilities(caps);
    }
    static void seatName(void *, wl_seat *, const char *) { }

    static void enter(void *data, wl_pointer *, uint32_t, wl_surface *surface, wl_fixed_t x,
                      wl_fixed_t y)
    {
        WaylandInput *in = self(data);
        QWindow *window = in->m_windowOf(surface);
        qCDebug(lcWaylandClient) << "pointer entered" << (window ? window->title() : QString());
        in->m_pointerWindow = window;
        in->m_buttons = {};
        if (!window)
            return;
        const QPointF local(wl_fixed_to_double(x), wl_fixed_to_double(y));
        in->m_local = local;
        QEnterEvent event(local, local, window->mapToGlobal(local));
        QCoreApplication::sendEvent(window, &event);
        in->pointerAt(window, local);
    }
    static void leave(void *data, wl_pointer *, uint32_t, wl_surface *)
    {
        WaylandInput *in = self(data);
        if (QWindow *window = in->m_pointerWindow) {
            QEvent event(QEvent::Leave);
            QCoreApplication::sendEvent(window, &event);
        }
        in->m_pointerWindow = nullptr;
        in->m_buttons = {};
    }
    static void motion(void *data, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y)
    {
        WaylandInput *in = self(data);
        in->m_local = QPointF(wl_fixed_to_double(x), wl_fixed_to_double(y));
        if (in->m_pointerWindow) {
            in->pointerAt(in->m_pointerWindow, in->m_local);
            in->sendMouse(QEvent::MouseMove, Qt::NoButton);
        }
    }
    static void button(void *data, wl_pointer *, uint32_t, uint32_t, uint32_t button,
                       uint32_t state)
    {
        WaylandInput *in = self(data);
        const Qt::MouseButton b = qtButton(button);
        if (b == Qt::NoButton || !in->m_pointerWindow)
            return;
        const bool pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
        in->m_buttons.setFlag(b, pressed);
        in->sendMouse(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, b);
        if (!pressed)
            return;
        // A second press soon after and near the first is a double click, sent after it.
        const QStyleHints *hints = QGuiApplication::styleHints();
        const bool twice = in->m_lastPress == b && in->m_sinceLastPress.isValid()
            && in->m_sinceLastPress.elapsed() < hints->mouseDoubleClickInterval()
            && (in->m_local - in->m_lastPressAt).manhattanLength() <= hints->startDragDistance();
        if (twice) {
            in->sendMouse(QEvent::MouseButtonDblClick, b);
            in->m_lastPress = Qt::NoButton;
        } else {
            in->m_lastPress = b;
            in->m_lastPressAt = in->m_local;
            in->m_sinceLastPress.start();
        }
    }
    static void axis(void *data, wl_pointer *, uint32_t, uint32_t axis, wl_fixed_t value)
    {
        WaylandInput *in = self(data);
        const double v = wl_fixed_to_double(value);
        if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL)
            in->m_wheel.ry() += v;
        else
            in->m_wheel.rx() += v;
        // A seat older than frame events sends each axis event on its own.
        if (wl_pointer_get_version(in->m_pointer) < WL_POINTER_FRAME_SINCE_VERSION)
            in->sendWheel();
    }
    static void frame(void *data, wl_pointer *) { self(data)->sendWheel(); }
    static void axisSource(void *, wl_pointer *, uint32_t) { }
    static void axisStop(void *, wl_pointer *, uint32_t, uint32_t) { }
    static void axisDiscrete(void *, wl_pointer *, uint32_t, int32_t) { }
    static void axisValue120(void *, wl_pointer *, uint32_t, int32_t) { }

    static void keymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size)
    {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1)
            self(data)->loadKeymap(fd, size);
        ::close(fd);
    }
    static void keyEnter(void *data, wl_keyboard *, uint32_t, wl_surface *surface, wl_array *)
    {
        WaylandInput *in = self(data);
        in->m_keyWindow = in->m_windowOf(surface);
        qCDebug(lcWaylandClient) << "keyboard entered"
                                 << (in->m_keyWindow ? in->m_keyWindow->title() : QString());
        if (in->m_keyWindow)
            in->m_keyWindow->requestActivate();
    }
    static void keyLeave(void *data, wl_keyboard *, uint32_t, wl_surface *)
    {
        WaylandInput *in = self(data);
        in->m_repeat.stop();
        // The toolkit's own activation follows only its requests: the window is told, once
        // the events read with this one are handled. A keyboard that goes away (the seat
        // loses its last one) takes no focus from the window.
        in->m_leftWindow = in->m_keyWindow;
        in->m_keyWindow = nullptr;
        QMetaObject::invokeMethod(
            in,
            [in] {
                if (QWindow *window = in->m_leftWindow) {
                    in->m_leftWindow = nullptr;
                    QFocusEvent event(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
                    QCoreApplication::sendEvent(window, &event);
                }
            },
            Qt::QueuedConnection);
    }
    static void key(void *data, wl_keyboard *, uint32_t, uint32_t, uint32_t code, uint32_t state)
    {
        WaylandInput *in = self(data);
        in->key(code, state == WL_KEYBOARD_KEY_STATE_PRESSED, false);
    }
    static void mods(void *data, wl_keyboard *, uint32_t, uint32_t depressed, uint32_t latched,
                     uint32_t locked, uint32_t group)
    {
        WaylandInput *in = self(data);
        if (in->m_state)
            xkb_state_update_mask(in->m_state, depressed, latched, locked, 0, 0, group);
    }
    static void repeatInfo(void *data, wl_keyboard *, int32_t rate, int32_t delay)
    {
        self(data)->m_repeatRate = std::max(0, rate);
        self(data)->m_repeatDelay = std::max(0, delay);
    }
};

namespace {
const wl_seat_listener kSeatListener{WaylandInput::Events::capabilities,
                                     WaylandInput::Events::seatName};
const wl_pointer_listener kPointerListener{
    WaylandInput::Events::enter,        WaylandInput::Events::leave,
    WaylandInput::Events::motion,       WaylandInput::Events::button,
    WaylandInput::Events::axis,         WaylandInput::Events::frame,
    WaylandInput::Events::axisSource,   WaylandInput::Events::axisStop,
    WaylandInput::Events::axisDiscrete, WaylandInput::Events::axisValue120,
};
const wl_keyboard_listener kKeyboardListener{
    WaylandInput::Events::keymap, WaylandInput::Events::keyEnter, WaylandInput::Events::keyLeave,
    WaylandInput::Events::key,    WaylandInput::Events::mods,     WaylandInput::Events::repeatInfo,
};
} // namespace

WaylandInput::WaylandInput(WaylandConnection &connection, WindowOf windowOf)
    : m_connection(connection)
    , m_windowOf(std::move(windowOf))
    , m_xkb(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    m_seat = static_cast<wl_seat *>(connection.bind(&wl_seat_interface, 5));
    if (m_seat)
        wl_seat_add_listener(m_seat, &kSeatListener, this);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        if (m_repeatRate > 0)
            m_repeat.start(1000 / m_repeatRate);
        key(m_repeatKey, true, true);
    });
    m_repeat.setSingleShot(true);
}

WaylandInput::~WaylandInput()
{
    if (m_pointer)
        wl_pointer_release(m_pointer);
    if (m_keyboard)
        wl_keyboard_release(m_keyboard);
    if (m_seat)
        wl_seat_release(m_seat);
    if (m_state)
        xkb_state_unref(m_state);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    if (m_xkb)
        xkb_context_unref(m_xkb);
}

void WaylandInput::setCapabilities(quint32 capabilities)
{
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    qCDebug(lcWaylandClient) << "seat: pointer" << pointer << "keyboard" << keyboard;
    if (pointer && !m_pointer) {
        m_pointer = wl_seat_get_pointer(m_seat);
        wl_pointer_add_listener(m_pointer, &kPointerListener, this);
    } else if (!pointer && m_pointer) {
        wl_pointer_release(m_pointer);
        m_pointer = nullptr;
    }
    if (keyboard && !m_keyboard) {
        m_keyboard = wl_seat_get_keyboard(m_seat);
        wl_keyboard_add_listener(m_keyboard, &kKeyboardListener, this);
    } else if (!keyboard && m_keyboard) {
        wl_keyboard_release(m_keyboard);
        m_keyboard = nullptr;
        m_leftWindow = nullptr;
    }
}

void WaylandInput::pointerAt(QWindow *window, const QPointF &local)
{
    m_connection.setPointer(window->mapToGlobal(local));
}

void WaylandInput::sendMouse(QEvent::Type type, Qt::MouseButton button)
{
    QWindow *window = m_pointerWindow;
    if (!window)
        return;
    QMouseEvent event(type, m_local, m_local, window->mapToGlobal(m_local), button, m_buttons,
                      modifiers());
    QCoreApplication::sendEvent(window, &event);
}

void WaylandInput::sendWheel()
{
    QWindow *window = m_pointerWindow;
    const QPointF delta = m_wheel;
    m_wheel = {};
    if (!window || delta.isNull())
        return;
    // Surface units scroll content down for positive values; the toolkit's angles are the
    // other way round.
    const QPoint angle = (-delta * kAngleUnitsPerSurfaceUnit).toPoint();
    QWheelEvent event(m_local, window->mapToGlobal(m_local), QPoint(), angle, m_buttons,
                      modifiers(), Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
}

void WaylandInput::loadKeymap(int fd, quint32 size)
{
    void *text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED)
        return;
    xkb_keymap *keymap
        = xkb_keymap_new_from_string(m_xkb, static_cast<const char *>(text),
                                     XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ::munmap(text, size);
    if (!keymap) {
        qCWarning(lcWaylandClient) << "the compositor's keymap could not be read";
        return;
    }
    if (m_state)
        xkb_state_unref(m_state);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = xkb_state_new(keymap);
}

Qt::KeyboardModifiers WaylandInput::modifiers() const
{
    Qt::KeyboardModifiers out;
    if (!m_state)
        return out;
    const auto active = [this](const char *name) {
        return xkb_state_mod_name_is_active(m_state, name, XKB_STATE_MODS_EFFECTIVE) > 0;
    };
    out.setFlag(Qt::ShiftModifier, active(XKB_MOD_NAME_SHIFT));
    out.setFlag(Qt::ControlModifier, active(XKB_MOD_NAME_CTRL));
    out.setFlag(Qt::AltModifier, active(XKB_MOD_NAME_ALT));
    out.setFlag(Qt::MetaModifier, active(XKB_MOD_NAME_LOGO));
    return out;
}

void WaylandInput::key(quint32 code, bool pressed, bool repeat)
{
    if (!m_state)
        return;
    // Evdev codes are 8 below the XKB key codes.
    const xkb_keycode_t keycode = code + 8;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(m_state, keycode);
    char utf8[64] = {};
    xkb_state_key_get_utf8(m_state, keycode, utf8, sizeof utf8);
    QString text = QString::fromUtf8(utf8);
    // Control characters are no text to type (Return, Escape, Backspace, Control+letter).
    if (text.size() == 1 && (text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7f))
        text.clear();
    if (!repeat) {
        if (pressed && m_repeatRate > 0 && xkb_keymap_key_repeats(m_keymap, keycode)) {
            m_repeatKey = code;
            m_repeat.start(m_repeatDelay);
        } else if (!pressed && code == m_repeatKey) {
            m_repeat.stop();
        }
    }
    QWindow *window = m_keyWindow;
    if (!window)
        return;
    const int qtKey = WaylandKeys::qtKey(sym, text);
    const Qt::KeyboardModifiers mods = modifiers();
    if (repeat) {
        QKeyEvent release(QEvent::KeyRelease, qtKey, mods, keycode, sym, 0, text, true);
        QCoreApplication::sendEvent(window, &release);
    }
    QKeyEvent event(pressed ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, mods, keycode, sym, 0,
                    text, repeat);
    QCoreApplication::sendEvent(window, &event);
}

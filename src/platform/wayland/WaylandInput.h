#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <functional>

class WaylandConnection;
struct wl_array;
struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_surface;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

// The seat's pointer and keyboard, delivered to the panel under the pointer and to the panel
// that holds the keyboard as the toolkit's own mouse, wheel and key events (sent to the panel's
// window, which hands them to its widgets as a window system's events would be). Keys are
// read through the compositor's keymap with xkbcommon and repeat at its rate.
class WaylandInput final : public QObject
{
    Q_OBJECT
public:
    using WindowOf = std::function<QWindow *(wl_surface *)>;

    WaylandInput(WaylandConnection &connection, WindowOf windowOf);
    ~WaylandInput() override;

    wl_seat *seat() const { return m_seat; }

    // The seat's, pointer's and keyboard's events.
    struct Events;

private:
    friend struct Events;

    void setCapabilities(quint32 capabilities);
    void pointerAt(QWindow *window, const QPointF &local);
    void sendMouse(QEvent::Type type, Qt::MouseButton button);
    void sendWheel();
    void loadKeymap(int fd, quint32 size);
    void key(quint32 code, bool pressed, bool repeat);
    Qt::KeyboardModifiers modifiers() const;

    WaylandConnection &m_connection;
    WindowOf m_windowOf;
    wl_seat *m_seat = nullptr;
    wl_pointer *m_pointer = nullptr;
    wl_keyboard *m_keyboard = nullptr;

    QPointer<QWindow> m_pointerWindow;
    QPointF m_local;
    Qt::MouseButtons m_buttons;
    QPointF m_wheel; // surface units gathered until the pointer's frame event
    // The last press, for telling a double click.
    Qt::MouseButton m_lastPress = Qt::NoButton;
    QPointF m_lastPressAt;
    QElapsedTimer m_sinceLastPress;

    xkb_context *m_xkb = nullptr;
    xkb_keymap *m_keymap = nullptr;
    xkb_state *m_state = nullptr;
    QPointer<QWindow> m_keyWindow;
    QPointer<QWindow> m_leftWindow; // told of the loss after the events read with it
    QTimer m_repeat;
    quint32 m_repeatKey = 0;
    int m_repeatRate = 25; // keys a second; 0 for none
    int m_repeatDelay = 600; // ms
};

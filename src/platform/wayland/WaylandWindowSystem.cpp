#include "platform/wayland/WaylandWindowSystem.h"

#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandLayerPanel.h"
#include "platform/wayland/WaylandToplevels.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

WaylandWindowSystem::WaylandWindowSystem(std::shared_ptr<WaylandConnection> connection,
                                         WaylandToplevels &toplevels,
                                         std::function<pid_t(const QString &)> pidOf,
                                         std::unique_ptr<SwayIpc> sway)
    : m_connection(std::move(connection))
    , m_toplevels(toplevels)
    , m_pidOf(std::move(pidOf))
    , m_input(std::make_unique<WaylandInput>(*m_connection,
                                             [this](wl_surface *s) { return windowOf(s); }))
    , m_sway(std::move(sway))
{
    qApp->installEventFilter(this);
}

WaylandWindowSystem::~WaylandWindowSystem()
{
    if (qApp)
        qApp->removeEventFilter(this);
    for (const QPointer<WaylandLayerPanel> &p : std::as_const(m_panels))
        delete p.data();
}

Qt::WindowFlags WaylandWindowSystem::panelWindowFlags(PanelRole role) const
{
    // The layer shell places and stacks the panels; nothing is asked of a window manager. A
    // panel that switches between passing and taking clicks carries the X11 bypass hint, which
    // nothing reads here, so that its layer surface knows it for one (see WaylandLayerPanel).
    return role == PanelRole::switchesClickThrough ? Qt::X11BypassWindowManagerHint
                                                   : Qt::WindowFlags();
}

WaylandLayerPanel *WaylandWindowSystem::panel(quintptr windowId) const
{
    const auto it = m_panels.constFind(windowId);
    return it == m_panels.cend() ? nullptr : it->data();
}

void WaylandWindowSystem::preparePanel(quintptr windowId) const
{
    if (panel(windowId))
        return;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->internalWinId() == windowId) {
            m_panels.insert(windowId, new WaylandLayerPanel(*m_connection, widget));
            return;
        }
    }
}

QWindow *WaylandWindowSystem::windowOf(wl_surface *surface) const
{
    for (const QPointer<WaylandLayerPanel> &p : m_panels) {
        if (p && p->surface() == surface)
            return p->window();
    }
    return nullptr;
}

std::optional<QList<WindowInfo>> WaylandWindowSystem::windowList() const
{
    if (!m_toplevels.available())
        return std::nullopt;
    QList<WindowInfo> out;
    // No frames: the active window is the one window that can be named without one.
    if (const std::optional<WaylandToplevel> active = m_toplevels.active())
        out << WindowInfo{active->id, m_pidOf(active->appId), QRectF(), 0, std::nullopt};
    return out;
}

QList<quint32> WaylandWindowSystem::standardWindows(pid_t pid) const
{
    QList<quint32> out;
    for (const WaylandToplevel &t : m_toplevels.toplevels()) {
        if (!t.minimized && m_pidOf(t.appId) == pid)
            out << t.id;
    }
    return out;
}

std::optional<quint32> WaylandWindowSystem::focusedWindow(pid_t pid) const
{
    const std::optional<WaylandToplevel> active = m_toplevels.active();
    if (active && m_pidOf(active->appId) == pid)
        return active->id;
    return std::nullopt;
}

bool WaylandWindowSystem::trusted() const
{
    return m_sway && m_sway->reachable();
}

std::optional<qint64> WaylandWindowSystem::containerOf(quint32 window) const
{
    if (!m_sway)
        return std::nullopt;
    std::optional<WaylandToplevel> wanted;
    for (const WaylandToplevel &t : m_toplevels.toplevels()) {
        if (t.id == window)
            wanted = t;
    }
    const std::optional<QList<SwayIpc::Window>> windows = m_sway->windows();
    if (!wanted || !windows)
        return std::nullopt;
    std::optional<qint64> found;
    for (const SwayIpc::Window &w : *windows) {
        if (w.appId != wanted->appId || w.title != wanted->title)
            continue;
        if (found)
            return std::nullopt; // two alike: moving either could move the wrong one
        found = w.id;
    }
    return found;
}

std::optional<QRectF> WaylandWindowSystem::windowFrame(quint32 window) const
{
    const std::optional<qint64> container = containerOf(window);
    if (!container)
        return std::nullopt;
    for (const SwayIpc::Window &w : m_sway->windows().value_or(QList<SwayIpc::Window>())) {
        if (w.id == *container)
            return QRectF(w.frame);
    }
    return std::nullopt;
}

bool WaylandWindowSystem::setWindowFrame(quint32 window, const QRectF &frame)
{
    const std::optional<qint64> container = containerOf(window);
    return container && m_sway->setFrame(*container, frame.toRect());
}

bool WaylandWindowSystem::raiseWindow(quint32 window)
{
    return m_toplevels.activate(window, m_input->seat());
}

bool WaylandWindowSystem::activateOwnWindow(quintptr windowId)
{
    WaylandLayerPanel *p = panel(windowId);
    if (!p)
        return false;
    // The compositor hands the keyboard to the topmost surface that asks for it exclusively,
    // and back when the surface goes.
    p->setKeyboard(WaylandLayerPanel::Keyboard::exclusive);
    m_keyHolder = p->window();
    if (m_keyHolder)
        m_keyHolder->requestActivate();
    return true;
}

void WaylandWindowSystem::stackUnder(quintptr, quintptr)
{
    // Every panel is on the overlay layer, above every window; among themselves the newest
    // shows on top, as the panels are shown.
}

bool WaylandWindowSystem::onTopInOrder(const QList<quintptr> &) const
{
    return true;
}

void WaylandWindowSystem::flush()
{
    m_connection->flush();
}

bool WaylandWindowSystem::eventFilter(QObject *watched, QEvent *event)
{
    // WORKAROUND(Qt offscreen): the offscreen platform gives the toolkit's focus to every window
    // it shows, even one that takes no focus. A readout shown while the command bar holds the
    // keyboard would make the bar think it lost it and close. The bar is not told, and gets its
    // activation back once the turn of the event loop is over.
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusOut && watched == m_keyHolder && m_keyHolder->isVisible()) {
        QWindow *now = QGuiApplication::focusWindow();
        if (now && now != m_keyHolder && now->flags().testFlag(Qt::WindowDoesNotAcceptFocus)) {
            m_restore = m_keyHolder;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (QWindow *w = m_restore.data(); w && w->isVisible())
                        w->requestActivate();
                    m_restore = nullptr;
                },
                Qt::QueuedConnection);
            return true;
        }
    }
    if (m_restore
        && (type == QEvent::ActivationChange || type == QEvent::WindowDeactivate
            || type == QEvent::WindowActivate)) {
        const QWidget *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window()->windowHandle() == m_restore)
            return true;
    }
    if (type == QEvent::Hide && watched->isWidgetType() && m_keyHolder
        && static_cast<QWidget *>(watched)->windowHandle() == m_keyHolder)
        m_keyHolder = nullptr;
    return QObject::eventFilter(watched, event);
}

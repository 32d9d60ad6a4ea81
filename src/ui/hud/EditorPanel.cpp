#include "ui/hud/EditorPanel.h"

#include "platform/WindowSystem.h"
#include "ui/hud/EditorView.h"

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// How often, and how far apart, the panel asks for the keyboard while another client holds it.
constexpr int kGrabAttempts = 20;
constexpr int kGrabRetryMs = 100;

} // namespace

EditorPanel::EditorPanel(WindowSystem &windows)
    : QWidget(nullptr)
    , m_windows(windows)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Kaidro layoutEditor"));
    setObjectName(QStringLiteral("layoutEditor"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                   | Qt::NoDropShadowWindowHint | m_windows.panelWindowFlags(PanelRole::editor));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

EditorPanel::~EditorPanel()
{
    releaseKeyboardGrab();
    qApp->removeEventFilter(this);
}

void EditorPanel::setView(EditorView *view)
{
    if (m_view) {
        layout()->removeWidget(m_view);
        delete m_view;
    }
    m_view = view;
    if (m_view) {
        m_view->setParent(this);
        layout()->addWidget(m_view);
        setFocusProxy(m_view);
    }
}

void EditorPanel::takeKeyboard()
{
    if (!isVisible())
        return;
    raise();
    if (m_view)
        m_view->setFocus(Qt::ActiveWindowFocusReason);
    if (!isActiveWindow())
        activateWindow();
}

void EditorPanel::holdKeyboardUnlessFocused()
{
    takeKeyboard();
    if (isActiveWindow() || m_grabbing)
        return;
    // WORKAROUND(X11 window managers): the window manager may keep the focus from an unmanaged
    // window or take it back; then the keyboard is held outright while the editor is open, so
    // Escape still reaches it.
    m_grabAttempts = 0;
    tryKeyboardGrab();
}

void EditorPanel::tryKeyboardGrab()
{
    QWindow *window = windowHandle();
    if (!window || !isVisible() || m_grabbing)
        return;
    m_grabbing = window->setKeyboardGrabEnabled(true);
    // Another client (an open menu, say) may hold the keyboard for a moment.
    if (!m_grabbing && ++m_grabAttempts < kGrabAttempts)
        QTimer::singleShot(kGrabRetryMs, this, &EditorPanel::tryKeyboardGrab);
}

void EditorPanel::releaseKeyboardGrab()
{
    if (!m_grabbing)
        return;
    m_grabbing = false;
    if (QWindow *window = windowHandle())
        window->setKeyboardGrabEnabled(false);
}

void EditorPanel::showEvent(QShowEvent *event)
{
    if (!property("kaidroPrepared").toBool()) {
        setProperty("kaidroPrepared", true);
        m_windows.preparePanel(winId());
    }
    qApp->installEventFilter(this);
    QWidget::showEvent(event);
}

void EditorPanel::hideEvent(QHideEvent *event)
{
    qApp->removeEventFilter(this);
    releaseKeyboardGrab();
    QWidget::hideEvent(event);
}

bool EditorPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Our panels raise themselves to stay above other apps' windows; the editor goes back above
    // them each time.
    if (event->type() == QEvent::ZOrderChange && watched != this && watched->isWidgetType()) {
        const auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && widget->isVisible())
            scheduleRaise();
    }
    return QWidget::eventFilter(watched, event);
}

void EditorPanel::scheduleRaise()
{
    if (m_raisePending)
        return;
    m_raisePending = true;
    QTimer::singleShot(0, this, [this] {
        m_raisePending = false;
        if (isVisible())
            raise();
    });
}

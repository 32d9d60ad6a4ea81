#include "ui/commandbar/CommandBarPanel.h"

#include "commandbar/CommandBarController.h"
#include "commandbar/CommandSearch.h"
#include "platform/Geometry.h"
#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "ui/hud/PanelStack.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include <algorithm>

CommandBarPanel::CommandBarPanel(const Screens &screens, WindowSystem &windows, PanelStack &stack,
                                 QObject *parent)
    : CommandBarWindow(parent)
    , m_screens(screens)
    , m_windows(windows)
    , m_widget(std::make_unique<QWidget>())
{
    QWidget *w = m_widget.get();
    w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                      | Qt::NoDropShadowWindowHint);
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setAttribute(Qt::WA_QuitOnClose, false);
    w->setWindowTitle(QStringLiteral("Kaidro commandBar"));
    w->setObjectName(QStringLiteral("commandBar"));
    w->installEventFilter(this);
    // The readouts raise themselves every few seconds to stay above other apps; the bar stays
    // above them.
    stack.keepAbovePanels(w);

    m_cutSettle.setSingleShot(true);
    m_cutSettle.setInterval(cutSettleDelay);
    connect(&m_cutSettle, &QTimer::timeout, this, &CommandBarPanel::cutToFrame);

    m_fade.setStartValue(0.0);
    m_fade.setEndValue(1.0);
    connect(&m_fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { m_widget->setWindowOpacity(v.toDouble()); });
}

CommandBarPanel::~CommandBarPanel() = default;

QRectF CommandBarPanel::frame() const
{
    return YUp::flip(QRectF(visibleRect().translated(m_widget->pos())),
                     m_screens.mainScreen().frame.height());
}

void CommandBarPanel::setFrame(const QRectF &frame)
{
    const QRect r = YUp::flip(frame, m_screens.mainScreen().frame.height()).toRect();
    static const int tallest = int(CommandBarController::heightFor(int(CommandSearch::maxRows)));
    // The bar grows and shrinks downwards with its rows at every keystroke. Resizing the
    // window would go through the window manager and the compositor and have the whole
    // window drawn and sent again: the window is as tall as the longest list from the start,
    // and what shows of it is cut to the frame asked for.
    const QRect window(r.topLeft(), QSize(r.width(), std::max(r.height(), tallest)));
    if (window != m_widget->geometry())
        m_widget->setGeometry(window);
    m_visibleHeight = r.height();
    if (m_content)
        m_content->setGeometry(visibleRect());
    // Each new cut has the X server and the compositor redo the window's shape, which keeps a
    // keystroke's rows from the screen for milliseconds. With a compositing manager the part
    // a shorter list gives up shows nothing once repainted: the window keeps its taller cut
    // while the list keeps changing and is cut to it once the list rests. A taller list is
    // uncovered at once; without a compositor the part given up would show black.
    if (m_windows.compositing() && m_widget->isVisible() && r.height() < m_cutHeight) {
        m_cutSettle.start();
    } else {
        m_cutSettle.stop();
        if (r.height() != m_cutHeight || !m_windows.compositing())
            cutToFrame();
    }
}

void CommandBarPanel::setContent(QWidget *view)
{
    if (m_content) {
        // The old view may be the one whose key press closed the bar: it goes once that event
        // has unwound.
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
    }
    m_content = view;
    if (view) {
        view->setParent(m_widget.get());
        view->setGeometry(visibleRect());
        view->show();
    }
    cutToFrame();
}

QRect CommandBarPanel::visibleRect() const
{
    return QRect(0, 0, m_widget->width(), std::min(m_visibleHeight, m_widget->height()));
}

void CommandBarPanel::present(double fadeDuration)
{
    QWidget *w = m_widget.get();
    m_wasActive = false;
    if (m_cutSettle.isActive())
        cutToFrame();
    if (!m_prepared) {
        m_prepared = true;
        m_windows.preparePanel(w->winId());
        // Keys reach the window before its focus widget.
        w->windowHandle()->installEventFilter(this);
    }
    const bool fades = m_windows.compositing() && fadeDuration > 0;
    w->setWindowOpacity(fades ? 0.0 : 1.0);
    w->show();
    w->raise();
    m_windows.activateOwnWindow(w->winId());
    w->activateWindow();

    if (m_content)
        m_content->setFocus(Qt::ActiveWindowFocusReason);
    if (fades) {
        m_fade.stop();
        m_fade.setDuration(int(fadeDuration * 1000));
        m_fade.start();
    }
}

void CommandBarPanel::orderOut()
{
    m_fade.stop();
    m_wasActive = false;
    m_widget->hide();
}

bool CommandBarPanel::isVisible() const
{
    return m_widget->isVisible();
}

void CommandBarPanel::cutToFrame()
{
    m_cutSettle.stop();
    m_cutHeight = visibleRect().height();
    // The window is cut to the part the frame covers, so clicks below the rows reach the
    // windows beneath. WORKAROUND(X11 without a compositing manager): transparent pixels show
    // black, so there it is cut to the card itself, a pixel inside its soft edge.
    QWidget *w = m_widget.get();
    const QRect shown = visibleRect();
    if (shown.isEmpty()) {
        w->clearMask();
        return;
    }
    if (m_windows.compositing()) {
        if (shown.size() == w->size())
            w->clearMask();
        else
            w->setMask(shown);
        return;
    }
    QPainterPath card;
    card.addRoundedRect(QRectF(11, 21, shown.width() - 22, shown.height() - 28), 13, 13);
    w->setMask(QRegion(card.toFillPolygon().toPolygon()));
}

bool CommandBarPanel::eventFilter(QObject *watched, QEvent *event)
{
    // A keystroke's rows go to the screen as soon as they are drawn, not once the rest of the
    // program's work for this turn of the event loop is done.
    if (watched == m_widget.get() && event->type() == QEvent::UpdateRequest)
        QMetaObject::invokeMethod(
            this, [this] { m_windows.flush(); }, Qt::QueuedConnection);
    // A press in the part still cut in below the list was meant for what lies beneath: the
    // bar goes, as it does when another window is clicked.
    if (watched == m_widget.get() && event->type() == QEvent::MouseButtonPress
        && !visibleRect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
        cutToFrame();
        m_wasActive = false;
        emit resignedKey();
        return true;
    }
    // WORKAROUND(Qt xcb): a bar shown again after it closed can get the keyboard while Qt still
    // counts its window as the focus window from the last showing; then no activation change
    // comes, neither when it gets the keyboard nor when it loses it. The window's own focus
    // events, and the keys it gets, say the same.
    const bool onWindow = watched == m_widget->windowHandle();
    const bool onWidget = watched == m_widget.get();
    const QEvent::Type type = event->type();
    const bool activation = onWidget && type == QEvent::ActivationChange;
    if ((activation && m_widget->isActiveWindow())
        || (onWindow && (type == QEvent::FocusIn || type == QEvent::KeyPress))) {
        m_wasActive = true;
    } else if ((activation || (onWindow && type == QEvent::FocusOut)) && m_wasActive
               && m_widget->isVisible()) {
        // Once a showing: both kinds of event may tell of the same loss.
        m_wasActive = false;
        emit resignedKey();
    }
    return CommandBarWindow::eventFilter(watched, event);
}

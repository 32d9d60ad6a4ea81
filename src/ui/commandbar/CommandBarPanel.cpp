#include "ui/commandbar/CommandBarPanel.h"

#include "commandbar/CommandBarController.h"
#include "commandbar/CommandSearch.h"
#include "platform/Geometry.h"
#include "platform/Screens.h"
#include "platform/WindowCanvas.h"
#include "platform/WindowSystem.h"
#include "ui/commandbar/CommandBarView.h"
#include "ui/hud/PanelStack.h"

#include <QBackingStore>
#include <QEvent>
#include <QPainter>
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

    // A new input shape waits for the repaint that goes with it (see eventFilter), or a
    // moment where none comes.
    m_inputCutLater.setSingleShot(true);
    m_inputCutLater.setInterval(20);
    connect(&m_inputCutLater, &QTimer::timeout, this, &CommandBarPanel::sendInputCut);

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
    cutToFrame();
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
    if (!m_prepared) {
        m_prepared = true;
        m_windows.preparePanel(w->winId());
        // Keys reach the window before its focus widget.
        w->windowHandle()->installEventFilter(this);
        cutToFrame();
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
    // Not before the bar shows: setting up the shared memory takes a round trip to the server.
    QTimer::singleShot(0, this, [this] {
        if (m_widget->isVisible() && !m_canvas)
            m_canvas = m_windows.canvas(m_widget->winId());
    });
}

void CommandBarPanel::orderOut()
{
    m_fade.stop();
    m_wasActive = false;
    m_widget->hide();
    m_canvas.reset();
}

bool CommandBarPanel::isVisible() const
{
    return m_widget->isVisible();
}

void CommandBarPanel::cutToFrame()
{
    QWidget *w = m_widget.get();
    const QRect shown = visibleRect();
    // Presses below the rows reach the windows beneath. Under a compositing manager the part
    // of the window below the rows shows nothing once repainted, so only where the window
    // takes presses follows the rows: a new bounding shape at a keystroke would have the X
    // server and the compositor redo the window's shape and keep its rows from the screen for
    // milliseconds. WORKAROUND(X11 without a compositing manager): transparent pixels show
    // black, so there the window itself is cut to the card, a pixel inside its soft edge.
    const bool inputCut = cutInput(shown.isEmpty() ? w->rect() : shown);
    if (shown.isEmpty() || (m_windows.compositing() && (inputCut || shown.size() == w->size()))) {
        w->clearMask();
    } else if (m_windows.compositing()) {
        w->setMask(shown);
    } else {
        QPainterPath card;
        card.addRoundedRect(QRectF(11, 21, shown.width() - 22, shown.height() - 28), 13, 13);
        w->setMask(QRegion(card.toFillPolygon().toPolygon()));
    }
}

bool CommandBarPanel::cutInput(const QRect &rect)
{
    // Before its window exists the bar has nothing to cut: its first showing cuts it.
    const WId window = m_widget->internalWinId();
    if (!window)
        return true;
    if (window != m_inputWindow) {
        // The first cut of a window, before it shows, tells whether input can be cut at all.
        if (!m_windows.cutInput(window, rect))
            return false;
        m_inputWindow = window;
        m_inputCut = rect;
    } else if (rect != m_inputCut) {
        // The window manager and the compositor redo their part of the window at a new input
        // shape: it is sent after the keystroke's rows, which it would otherwise hold back.
        m_inputCut = rect;
        m_inputCutLater.start();
    }
    return true;
}

void CommandBarPanel::sendInputCut()
{
    if (!m_inputCutLater.isActive())
        return;
    m_inputCutLater.stop();
    if (m_widget->internalWinId() == m_inputWindow) {
        m_windows.cutInput(m_inputWindow, m_inputCut);
        m_windows.flush();
    }
}

bool CommandBarPanel::paintNow(CommandBarView *view, const QRegion &region)
{
    QWidget *w = m_widget.get();
    QBackingStore *store = w->backingStore();
    if (!m_canvas || !view || !store || !w->isVisible() || w->devicePixelRatio() != 1)
        return false;
    // Painted into the toolkit's own copy of the window first, which a later repaint of the
    // area sends again, and put on screen from there.
    const QPoint at = view->mapTo(w, QPoint());
    const QRegion inWindow = region.translated(at);
    store->beginPaint(inWindow);
    QPaintDevice *device = store->paintDevice();
    const bool drawn = device && device->devType() == QInternal::Image;
    if (drawn) {
        QPainter painter(device);
        painter.setClipRegion(inWindow);
        painter.translate(at);
        painter.setRenderHint(QPainter::Antialiasing);
        view->paintArea(painter, region);
    }
    store->endPaint();
    if (!drawn || !m_canvas->put(*static_cast<QImage *>(device), inWindow))
        return false;
    sendInputCut();
    return true;
}

bool CommandBarPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget.get() && event->type() == CommandBarView::PaintNow::kind()) {
        auto *now = static_cast<CommandBarView::PaintNow *>(event);
        now->setAccepted(paintNow(qobject_cast<CommandBarView *>(m_content), now->region));
        return true;
    }
    // A keystroke's rows go to the screen as soon as they are drawn, not once the rest of the
    // program's work for this turn of the event loop is done: the window repaints here and the
    // connection is flushed right after, then the input cut follows.
    if (watched == m_widget.get() && event->type() == QEvent::UpdateRequest) {
        static_cast<QObject *>(m_widget.get())->event(event);
        m_windows.flush();
        sendInputCut();
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

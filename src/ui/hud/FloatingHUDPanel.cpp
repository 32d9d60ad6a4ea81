#include "ui/hud/FloatingHUDPanel.h"

#include "platform/Geometry.h"
#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "ui/hud/PanelStack.h"

#include <QBitmap>
#include <QEasingCurve>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>

#include <algorithm>

namespace {

bool bypassesWindowManager(const FloatingHUDPanel *p)
{
    return p->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
}

} // namespace

FloatingHUDPanel::FloatingHUDPanel(PanelStyle style, ContentFactory content, const Screens &screens,
                                   WindowSystem &windows, PanelStack &stack)
    : QWidget(nullptr)
    , m_style(std::move(style))
    , m_factory(std::move(content))
    , m_screens(screens)
    , m_windows(windows)
    , m_stack(stack)
    , m_clickThrough(m_style.clickThrough)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Kaidro ") + m_style.name);
    setObjectName(m_style.name);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    applyWindowFlags();
    m_stack.add(this);
}

void FloatingHUDPanel::raiseUnderCeiling()
{
    QWidget *top = m_stack.ceiling();
    if (!top) {
        raise();
        return;
    }
    // A managed panel stays where the window manager keeps it: raised, it would go above the
    // ceiling's frame too.
    if (bypassesWindowManager(this))
        m_windows.stackUnder(winId(), top->winId());
}

FloatingHUDPanel::~FloatingHUDPanel()
{
    m_stack.remove(this);
}

bool FloatingHUDPanel::compositing() const
{
    return m_windows.compositing();
}

void FloatingHUDPanel::applyWindowFlags()
{
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
        | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    // What the window manager needs to leave a panel that passes clicks alone is the
    // platform's to say.
    flags |= m_windows.panelWindowFlags(m_style.clickThrough ? PanelRole::clickThrough
                                            : m_style.switchesClickThrough
                                            ? PanelRole::switchesClickThrough
                                            : PanelRole::plain);
    if (m_clickThrough)
        flags |= Qt::WindowTransparentForInput;
    setWindowFlags(flags);
}

QRect FloatingHUDPanel::toQt(const QRectF &frame) const
{
    const double primaryHeight = m_screens.mainScreen().frame.height();
    return YUp::flip(frame, primaryHeight).toRect();
}

QRectF FloatingHUDPanel::frame() const
{
    const double primaryHeight = m_screens.mainScreen().frame.height();
    return YUp::flip(QRectF(geometry()), primaryHeight);
}

void FloatingHUDPanel::setFrame(const QRectF &frame)
{
    const QRect r = toQt(frame);
    if (r != geometry())
        setGeometry(r);
}

void FloatingHUDPanel::orderFront()
{
    if (!QWidget::isVisible())
        show();
    raiseUnderCeiling();
    // Keep the higher levels above this one.
    QList<FloatingHUDPanel *> above;
    for (FloatingHUDPanel *p : m_stack.panels()) {
        if (p != this && p->QWidget::isVisible() && p->m_style.level > m_style.level)
            above << p;
    }
    std::stable_sort(above.begin(), above.end(),
                     [](auto *a, auto *b) { return a->m_style.level < b->m_style.level; });
    for (FloatingHUDPanel *p : above)
        p->raiseUnderCeiling();
    if (bypassesWindowManager(this))
        m_stack.restackUnmanaged();
}

void FloatingHUDPanel::orderOut()
{
    stopAnimations();
    hide();
    // Back to never taking the keyboard by itself at the next showing.
    QWindow *window = windowHandle();
    if (window && !window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
        window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
}

bool FloatingHUDPanel::isVisible() const
{
    return QWidget::isVisible();
}

double FloatingHUDPanel::alpha() const
{
    return m_alpha;
}

void FloatingHUDPanel::setAlpha(double alpha)
{
    m_alpha = std::clamp(alpha, 0.0, 1.0);
    setWindowOpacity(m_alpha);
}

void FloatingHUDPanel::stopAnimations()
{
    if (m_animation) {
        m_animation->disconnect(this);
        m_animation->stop();
        m_animation->deleteLater();
        m_animation = nullptr;
    }
}

void FloatingHUDPanel::animate(double alpha, std::optional<QRectF> frame, double duration,
                               double delay, std::function<void()> done)
{
    stopAnimations();
    // Without a compositor opacity does not show: a fade is a plain show or hide.
    if (!compositing() || duration + delay <= 0) {
        setAlpha(alpha);
        if (frame)
            setFrame(*frame);
        if (done)
            done();
        return;
    }
    const double startAlpha = m_alpha;
    const QRectF startFrame = this->frame();
    const int totalMs = int((duration + delay) * 1000);
    const double delayMs = delay * 1000, durationMs = std::max(duration * 1000, 1.0);
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(double(totalMs));
    m_animation->setDuration(totalMs);
    const QEasingCurve ease(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [=, this](const QVariant &v) {
        const double t = std::clamp((v.toDouble() - delayMs) / durationMs, 0.0, 1.0);
        if (v.toDouble() < delayMs)
            return;
        const double p = ease.valueForProgress(t);
        setAlpha(startAlpha + (alpha - startAlpha) * p);
        if (frame) {
            const QRectF to = *frame;
            setFrame(QRectF(startFrame.x() + (to.x() - startFrame.x()) * p,
                            startFrame.y() + (to.y() - startFrame.y()) * p,
                            startFrame.width() + (to.width() - startFrame.width()) * p,
                            startFrame.height() + (to.height() - startFrame.height()) * p));
        }
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this, alpha, frame, done] {
        m_animation->deleteLater();
        m_animation = nullptr;
        setAlpha(alpha);
        if (frame)
            setFrame(*frame);
        if (done)
            done();
    });
    m_animation->start();
}

void FloatingHUDPanel::setClickThrough(bool clickThrough)
{
    if (clickThrough == m_clickThrough)
        return;
    m_clickThrough = clickThrough;
    // Changing the flag on the native window sets its input shape without unmapping it, which
    // QWidget::setWindowFlags would do.
    if (QWindow *w = windowHandle())
        w->setFlag(Qt::WindowTransparentForInput, clickThrough);
    else
        applyWindowFlags();
}

bool FloatingHUDPanel::isKey() const
{
    return isActiveWindow();
}

void FloatingHUDPanel::attachContent(double scale)
{
    detachContent();
    if (!m_factory)
        return;
    QWidget *view = m_factory(this, scale);
    if (!view)
        return;
    m_content = view;
    layout()->addWidget(view);
    view->show();
    // Panels never take the keyboard by themselves; a click into a text field asks for it.
    for (QLineEdit *field : view->findChildren<QLineEdit *>())
        field->installEventFilter(this);
    scheduleMaskUpdate();
}

bool FloatingHUDPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && qobject_cast<QLineEdit *>(watched))
        takeKeyboard();
    return QWidget::eventFilter(watched, event);
}

void FloatingHUDPanel::takeKeyboard()
{
    QWindow *window = windowHandle();
    if (!window)
        return;
    if (window->flags().testFlag(Qt::WindowDoesNotAcceptFocus))
        window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    if (isActiveWindow())
        return;
    m_windows.activateOwnWindow(winId());
    activateWindow();
}

void FloatingHUDPanel::detachContent()
{
    if (m_content) {
        layout()->removeWidget(m_content);
        // The view may be the one handling the click that put it away.
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = nullptr;
    clearMask();
}

void FloatingHUDPanel::updateMask()
{
    // WORKAROUND(X11 without a compositing manager): transparent pixels show black, so only the
    // pixels the view paints are kept in the window's shape.
    m_maskPending = false;
    if (compositing() || !m_content || size().isEmpty()) {
        clearMask();
        return;
    }
    // Rendering lays the view out, which posts layout requests back to this panel.
    m_renderingMask = true;
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    m_content->render(&image, m_content->pos(), QRegion(), QWidget::DrawChildren);
    m_renderingMask = false;
    const QImage alphaMask = image.createAlphaMask(Qt::MonoOnly | Qt::ThresholdAlphaDither);
    setMask(QRegion(QBitmap::fromImage(alphaMask)));
}

void FloatingHUDPanel::scheduleMaskUpdate()
{
    if (m_maskPending || m_renderingMask)
        return;
    m_maskPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_maskPending)
            updateMask();
    });
}

void FloatingHUDPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit escapePressed();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FloatingHUDPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_content)
        scheduleMaskUpdate();
}

void FloatingHUDPanel::showEvent(QShowEvent *event)
{
    if (!property("kaidroPrepared").toBool()) {
        setProperty("kaidroPrepared", true);
        m_windows.preparePanel(winId());
    }
    QWidget::showEvent(event);
}

bool FloatingHUDPanel::event(QEvent *event)
{
    // A view that repaints itself may change what it covers; keep the shape in step when
    // there is no compositor to blend it.
    if (event->type() == QEvent::LayoutRequest && m_content)
        scheduleMaskUpdate();
    return QWidget::event(event);
}

#include "ui/PulseRing.h"

#include "ui/CoreTheme.h"

#include <QEasingCurve>
#include <QPainter>
#include <QPen>
#include <QVariantAnimation>

namespace {

// One animation cycle is there and back: each half eases in and out, so the opacity lingers at
// both extremes the way an auto-reversing pulse does.
qreal pingPong(qreal progress)
{
    static const QEasingCurve half(QEasingCurve::InOutSine);
    return progress < 0.5 ? half.valueForProgress(progress * 2)
                          : half.valueForProgress(2 - progress * 2);
}

} // namespace

PulseRing::PulseRing(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void PulseRing::setActive(bool active)
{
    m_active = active;
    if (active) {
        if (m_pulse)
            return;
        m_pulse = new QVariantAnimation(this);
        connect(m_pulse, &QVariantAnimation::valueChanged, this,
                [this](const QVariant &value) { setRingOpacity(value.toDouble()); });
        m_pulse->setStartValue(0.1);
        m_pulse->setEndValue(0.95);
        m_pulse->setDuration(2 * halfPeriodMs);
        m_pulse->setLoopCount(-1);
        QEasingCurve curve;
        curve.setCustomType(pingPong);
        m_pulse->setEasingCurve(curve);
        m_pulse->start();
        // The animation computed its first value before it ran; show it now, not a frame later.
        setRingOpacity(m_pulse->currentValue().toDouble());
        return;
    }
    delete m_pulse;
    m_pulse = nullptr;
    setRingOpacity(0);
}

QRectF PulseRing::ringRect() const
{
    return QRectF(rect()).adjusted(inset, inset, -inset, -inset);
}

void PulseRing::setRingOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void PulseRing::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);
    painter.setPen(QPen(CoreTheme::gold(), lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ringRect());
}

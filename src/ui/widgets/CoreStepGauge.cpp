#include "ui/widgets/CoreStepGauge.h"

#include "ui/CoreShapes.h"
#include "ui/widgets/EaseInOut.h"

#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPlateOpacity = 0.45;
constexpr double kFillBottomOpacity = 0.78;
constexpr double kOuterOpacity = 0.85;
constexpr double kInnerOpacity = 0.9;
} // namespace

CoreStepGauge::CoreStepGauge(QObject *parent)
    : QObject(parent)
    , m_animation(new QVariantAnimation(this))
{
    m_animation->setDuration(int(animationSeconds * 1000));
    m_animation->setEasingCurve(easeInOutCurve());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_displayed = value.toDouble();
        // A readout redraws at most every 50 ms while its bar slides (and once more at the
        // end): the slide stays smooth to the eye and costs a third of the frames.
        const bool last = m_displayed == m_fraction;
        if (!last && m_frameClock.isValid() && m_frameClock.elapsed() < 50)
            return;
        m_frameClock.start();
        emit displayedFractionChanged();
    });
}

CoreStepGauge::~CoreStepGauge() = default;

bool CoreStepGauge::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void CoreStepGauge::setFraction(double fraction, bool animated)
{
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (clamped == m_fraction && (isAnimating() || m_displayed == clamped))
        return;
    const double previous = m_fraction;
    m_fraction = clamped;
    m_animation->stop();
    // Small moves (a readout's jitter from one sample to the next) are not worth a slide.
    if (!animated || std::abs(clamped - previous) < 0.03) {
        m_displayed = clamped;
        emit displayedFractionChanged();
        return;
    }
    // Starting from what is on screen keeps a bar that changes mid-animation from jumping.
    m_animation->setStartValue(m_displayed);
    m_animation->setEndValue(clamped);
    m_frameClock.invalidate();
    m_animation->start();
}

QPainterPath CoreStepGauge::shape(const QRectF &rect)
{
    return CoreStepBarShape(rect, stepAt, thinFraction);
}

void CoreStepGauge::paint(QPainter &painter, const QRectF &rect, double fraction,
                          const QColor &fill, double outerLine, double innerLine)
{
    const QPainterPath outline = shape(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    painter.save();
    painter.setClipPath(outline, Qt::IntersectClip);
    painter.fillRect(rect, QColor::fromRgbF(0, 0, 0, float(kPlateOpacity)));
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (clamped > 0) {
        QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
        QColor bottom = fill;
        bottom.setAlphaF(fill.alphaF() * float(kFillBottomOpacity));
        gradient.setColorAt(0, fill);
        gradient.setColorAt(1, bottom);
        painter.fillRect(QRectF(rect.left(), rect.top(), rect.width() * clamped, rect.height()),
                         gradient);
    }
    painter.restore();

    painter.strokePath(outline, QPen(QColor::fromRgbF(0, 0, 0, float(kOuterOpacity)), outerLine));
    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, float(kInnerOpacity)), innerLine));
    painter.restore();
}

#include "ui/widgets/CoreStepGauge.h"

#include "ui/CachedPaint.h"
#include "ui/CoreShapes.h"
#include "ui/widgets/EaseInOut.h"

#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>

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
{
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, &CoreStepGauge::stepSlide);
}

CoreStepGauge::~CoreStepGauge() = default;

bool CoreStepGauge::isAnimating() const
{
    return m_frameTimer.isActive();
}

double CoreStepGauge::slideAt(qint64 elapsedMs, double from, double to)
{
    static const QEasingCurve ease = easeInOutCurve();
    const double progress = std::min(1.0, double(elapsedMs) / (animationSeconds * 1000));
    return progress >= 1.0 ? to : from + (to - from) * ease.valueForProgress(progress);
}

qint64 CoreStepGauge::nextFrame(qint64 elapsedMs, double from, double to, double widthPixels,
                                qint64 edge)
{
    const auto landing = qint64(animationSeconds * 1000);
    qint64 next = std::min(elapsedMs + kFrameMs, landing);
    while (widthPixels > 0 && next < landing
           && std::llround(slideAt(next, from, to) * widthPixels) == edge)
        next = std::min(next + kFrameMs, landing);
    return next;
}

void CoreStepGauge::stepSlide()
{
    // A slide is drawn on frames 50 ms apart and once more at its end, each woken by a timer of
    // its own: smooth to the eye, and the process sleeps between frames instead of waking at
    // the display's rate for an animation driver. Frames that would leave the edge on the same
    // pixel are slept through.
    const qint64 elapsed = m_slideClock.elapsed();
    m_displayed = slideAt(elapsed, m_slideFrom, m_fraction);
    if (elapsed >= qint64(animationSeconds * 1000)) {
        report();
        return;
    }
    if (m_drawnWidth <= 0 || std::llround(m_displayed * m_drawnWidth) != m_reportedEdge)
        report();
    m_frameTimer.start(nextFrame(elapsed, m_slideFrom, m_fraction, m_drawnWidth, m_reportedEdge)
                       - elapsed);
}

void CoreStepGauge::report()
{
    m_reportedEdge = std::llround(m_displayed * m_drawnWidth);
    emit displayedFractionChanged();
}

void CoreStepGauge::setFraction(double fraction, bool animated)
{
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (clamped == m_fraction && (isAnimating() || m_displayed == clamped))
        return;
    const double previous = m_fraction;
    m_fraction = clamped;
    m_frameTimer.stop();
    // Small moves (a readout's jitter from one sample to the next) are not worth a slide.
    if (!animated || std::abs(clamped - previous) < 0.03) {
        m_displayed = clamped;
        report();
        return;
    }
    // Starting from what is on screen keeps a bar that changes mid-animation from jumping.
    m_slideFrom = m_displayed;
    m_slideClock.start();
    m_frameTimer.start(nextFrame(0, m_slideFrom, m_fraction, m_drawnWidth, m_reportedEdge));
}

QPainterPath CoreStepGauge::shape(const QRectF &rect)
{
    return CoreStepBarShape(rect, stepAt, thinFraction);
}

void CoreStepGauge::paint(QPainter &painter, const QRectF &rect, double fraction,
                          const QColor &fill, double outerLine, double innerLine)
{
    // Three layers, each rendered once per size (and colour) and then blitted: the plate, the
    // fill cut to the fraction, and the outline over both. A gauge moves every second; only
    // its cut moves.
    const QString size
        = CachedPaint::measures(u"step-gauge", rect.size(), outerLine * 100 + innerLine);
    const double margin = outerLine / 2 + 1;
    const QRectF bounds = rect.adjusted(-margin, -margin, margin, margin);
    const auto inside = [&rect](QPainter &p, const auto &brush) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(CoreStepGauge::shape(rect), Qt::IntersectClip);
        p.fillRect(rect, brush);
    };
    CachedPaint::draw(
        painter, QStringLiteral("kaidro-gauge-plate|") + size, bounds,
        [&](QPainter &p) { inside(p, QColor::fromRgbF(0, 0, 0, float(kPlateOpacity))); });
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (clamped > 0) {
        painter.save();
        painter.setClipRect(QRectF(rect.left(), rect.top(), rect.width() * clamped, rect.height()),
                            Qt::IntersectClip);
        CachedPaint::draw(painter,
                          QStringLiteral("kaidro-gauge-fill|") + size + QLatin1Char('|')
                              + QString::number(fill.rgba(), 16),
                          bounds, [&](QPainter &p) {
                              QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
                              QColor bottom = fill;
                              bottom.setAlphaF(fill.alphaF() * float(kFillBottomOpacity));
                              gradient.setColorAt(0, fill);
                              gradient.setColorAt(1, bottom);
                              inside(p, gradient);
                          });
        painter.restore();
    }
    CachedPaint::draw(
        painter, QStringLiteral("kaidro-gauge-lines|") + size, bounds, [&](QPainter &p) {
            const QPainterPath outline = CoreStepGauge::shape(rect);
            p.setRenderHint(QPainter::Antialiasing);
            p.strokePath(outline, QPen(QColor::fromRgbF(0, 0, 0, float(kOuterOpacity)), outerLine));
            p.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, float(kInnerOpacity)), innerLine));
        });
}

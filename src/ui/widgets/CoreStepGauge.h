#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QObject>
#include <QPainterPath>
#include <QRectF>
#include <QTimer>

#include <cmath>

class QPainter;

// The stepped gauge of the HP and party bars: a dark plate in a CoreStepBarShape, filled from
// the leading edge by a vertical gradient of the fill colour, with a black-and-white outline.
//
// An instance carries the animated fill of one gauge: when its fraction changes, the displayed
// fraction eases to the new value over `animationSeconds`, and the owning view repaints on
// displayedFractionChanged(). paint() itself is stateless.
class CoreStepGauge final : public QObject
{
    Q_OBJECT

public:
    static constexpr double stepAt = 0.52;
    static constexpr double thinFraction = 0.55;
    static constexpr double animationSeconds = 0.35;

    explicit CoreStepGauge(QObject *parent = nullptr);
    ~CoreStepGauge() override;

    // The fraction the gauge is heading to, clamped to 0…1.
    double fraction() const { return m_fraction; }
    // The fraction drawn right now; equals fraction() once the animation has run.
    double displayedFraction() const { return m_displayed; }
    bool isAnimating() const;

    // Moves the gauge to `fraction`. A gauge nobody can see jumps there instead of easing.
    void setFraction(double fraction, bool animated = true);
    // The width, in device pixels, the owner last drew the gauge at. A slide then reports only
    // the frames that move the fill's edge by a whole pixel, and its last one.
    void setDrawnWidth(double pixels)
    {
        m_drawnWidth = pixels;
        m_reportedEdge = std::llround(m_displayed * pixels);
    }

    // The fraction a slide from `from` to `to` shows `elapsedMs` into it.
    static double slideAt(qint64 elapsedMs, double from, double to);
    // When a slide woken `elapsedMs` into it, its edge last drawn at pixel `edge` of
    // `widthPixels` (0: not known), wakes next: on its 50 ms frames, sleeping through those that
    // would leave the edge on that pixel, and at its landing.
    static qint64 nextFrame(qint64 elapsedMs, double from, double to, double widthPixels,
                            qint64 edge);

    static QPainterPath shape(const QRectF &rect);

    // Paints the gauge filling `rect`, its fill `fraction` (clamped) of the width; the outline
    // is a black stroke of `outerLine` under a white one of `innerLine`.
    static void paint(QPainter &painter, const QRectF &rect, double fraction, const QColor &fill,
                      double outerLine = 2, double innerLine = 0.8);

signals:
    void displayedFractionChanged();

private:
    static constexpr int kFrameMs = 50;
    void stepSlide();

    QTimer m_frameTimer;
    QElapsedTimer m_slideClock;
    double m_slideFrom = 0;
    double m_fraction = 0;
    double m_displayed = 0;
    double m_drawnWidth = 0;
    // Where the fill's edge was when the owner was last told, in device pixels.
    qint64 m_reportedEdge = -1;
    void report();
};

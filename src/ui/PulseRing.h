#pragma once

#include <QWidget>

class QVariantAnimation;

// A gold ring that pulses over whatever it covers, to draw the eye to it. It never takes mouse
// input. While active its opacity swings 0.1 → 0.95 → 0.1 every 1.4 s, easing in and out at
// both ends; at rest it is invisible.
class PulseRing final : public QWidget
{
    Q_OBJECT

public:
    explicit PulseRing(QWidget *parent = nullptr);

    bool isActive() const { return m_active; }
    // Turning it on while already pulsing leaves the running pulse alone.
    void setActive(bool active);

    double ringOpacity() const { return m_opacity; }

    // The running pulse, or nullptr at rest.
    QVariantAnimation *pulseAnimation() const { return m_pulse; }

    // The ring's outline within the widget's current bounds.
    QRectF ringRect() const;

    static constexpr double lineWidth = 3;
    static constexpr double inset = 1.5;
    static constexpr int halfPeriodMs = 700;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setRingOpacity(double opacity);

    bool m_active = false;
    double m_opacity = 0;
    QVariantAnimation *m_pulse = nullptr;
};

#pragma once

#include <QAbstractAnimation>

// A damped spring that carries one value to a target, described the way interface designers
// tune springs: `response` is the period in seconds of the undamped oscillation and
// `dampingFraction` the damping ratio (below 1 it overshoots and settles). Retargeting while it
// moves keeps the current value and velocity, so the motion never jumps.
class CoreSpringAnimation final : public QAbstractAnimation
{
    Q_OBJECT

public:
    CoreSpringAnimation(double response, double dampingFraction, QObject *parent = nullptr);

    double value() const { return m_value; }
    double target() const { return m_target; }

    // Jumps to `value` at rest, stopping any motion.
    void setValue(double value);
    // Springs from the current value towards `target`.
    void animateTo(double target);

    // Milliseconds until the motion is within a negligible distance of the target; the last
    // frame lands on the target exactly.
    int duration() const override;

    // Position relative to the target `seconds` into the current motion.
    double offsetAt(double seconds) const;

signals:
    void valueChanged(double value);

protected:
    void updateCurrentTime(int currentTime) override;

private:
    double velocityAt(double seconds) const;
    void setCurrent(double value);

    double m_omega;
    double m_damping;
    double m_value = 0;
    double m_target = 0;
    double m_startOffset = 0;
    double m_startVelocity = 0;
    int m_duration = 0;
};

#include "ui/CoreSpringAnimation.h"

#include "platform/Rounding.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Closer than this to the target counts as arrived (the values are scales around 1).
constexpr double kRestDistance = 0.0005;
constexpr int kMaxDurationMs = 5000;

} // namespace

CoreSpringAnimation::CoreSpringAnimation(double response, double dampingFraction, QObject *parent)
    : QAbstractAnimation(parent)
    , m_omega(2.0 * std::numbers::pi / std::max(response, 0.001))
    , m_damping(std::max(dampingFraction, 0.0))
{ }

void CoreSpringAnimation::setValue(double value)
{
    stop();
    m_target = value;
    m_startOffset = 0;
    m_startVelocity = 0;
    setCurrent(value);
}

void CoreSpringAnimation::animateTo(double target)
{
    double velocity = 0;
    if (state() == Running)
        velocity = velocityAt(currentLoopTime() / 1000.0);
    stop();

    m_target = target;
    m_startOffset = m_value - target;
    m_startVelocity = velocity;
    if (std::abs(m_startOffset) < kRestDistance && std::abs(velocity) < kRestDistance) {
        setCurrent(target);
        return;
    }

    // The motion stays inside a decaying envelope amplitude·e^(−decay·t); it has arrived once
    // that envelope is below the rest distance.
    const double x0 = m_startOffset;
    const double w = m_omega;
    const double z = m_damping;
    double amplitude = 0;
    double decay = 0;
    if (z < 1.0) {
        const double wd = w * std::sqrt(1.0 - z * z);
        amplitude = std::hypot(x0, (velocity + z * w * x0) / wd);
        decay = z * w;
    } else if (z == 1.0) {
        // t·e^(−wt) ≤ e^(−wt/2)·2/(e·w) < e^(−wt/2)/w
        amplitude = std::abs(x0) + std::abs(velocity + w * x0) / w;
        decay = w / 2.0;
    } else {
        const double root = std::sqrt(z * z - 1.0);
        const double r1 = -w * (z - root);
        const double r2 = -w * (z + root);
        const double c2 = (velocity - r1 * x0) / (r2 - r1);
        amplitude = std::abs(x0 - c2) + std::abs(c2);
        decay = -r1;
    }
    double seconds = kMaxDurationMs / 1000.0;
    if (decay > 0)
        seconds = std::log(std::max(amplitude, kRestDistance) / kRestDistance) / decay;
    m_duration = std::clamp(int(Rounding::ceil(seconds * 1000.0)), 1, kMaxDurationMs);
    start();
}

int CoreSpringAnimation::duration() const
{
    return m_duration;
}

double CoreSpringAnimation::offsetAt(double t) const
{
    const double x0 = m_startOffset;
    const double v0 = m_startVelocity;
    const double w = m_omega;
    const double z = m_damping;
    if (z < 1.0) {
        const double wd = w * std::sqrt(1.0 - z * z);
        const double b = (v0 + z * w * x0) / wd;
        return std::exp(-z * w * t) * (x0 * std::cos(wd * t) + b * std::sin(wd * t));
    }
    if (z == 1.0)
        return (x0 + (v0 + w * x0) * t) * std::exp(-w * t);
    const double root = std::sqrt(z * z - 1.0);
    const double r1 = -w * (z - root);
    const double r2 = -w * (z + root);
    const double c2 = (v0 - r1 * x0) / (r2 - r1);
    const double c1 = x0 - c2;
    return c1 * std::exp(r1 * t) + c2 * std::exp(r2 * t);
}

double CoreSpringAnimation::velocityAt(double seconds) const
{
    const double h = 1e-4;
    return (offsetAt(seconds + h) - offsetAt(std::max(0.0, seconds - h)))
        / (seconds + h - std::max(0.0, seconds - h));
}

void CoreSpringAnimation::updateCurrentTime(int currentTime)
{
    if (currentTime >= m_duration)
        setCurrent(m_target);
    else
        setCurrent(m_target + offsetAt(currentTime / 1000.0));
}

void CoreSpringAnimation::setCurrent(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(value);
}

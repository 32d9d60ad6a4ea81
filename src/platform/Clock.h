#pragma once

#include <QDateTime>

// The time source of every timed rule. `uptime` is monotonic seconds (never jumps with the
// wall clock); `now` is the wall clock for dates shown to the user.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual double uptime() const = 0;
    virtual QDateTime now() const = 0;
};

// The real clock: CLOCK_MONOTONIC and the system time.
class SystemClock final : public Clock
{
public:
    double uptime() const override;
    QDateTime now() const override;
};

#include "platform/Clock.h"

#include <QDeadlineTimer>

double SystemClock::uptime() const
{
    return double(QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs()) / 1e9;
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

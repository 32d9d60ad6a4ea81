#pragma once

#include "platform/Clock.h"

// A clock that moves only when told to.
class FakeClock final : public Clock
{
public:
    double uptime() const override { return m_uptime; }
    QDateTime now() const override { return m_start.addMSecs(qint64(m_uptime * 1000.0)); }

    void advance(double seconds) { m_uptime += seconds; }
    void setUptime(double seconds) { m_uptime = seconds; }
    void setStart(const QDateTime &start) { m_start = start; }

private:
    double m_uptime = 1000.0;
    QDateTime m_start = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::LocalTime);
};

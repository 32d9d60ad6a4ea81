#pragma once

#include <QDateTime>
#include <QString>

// "2 minutes ago", "in 3 hours": a date said relative to now, in whole units of the largest
// calendar unit that is at least one (years, months, weeks, days, hours, minutes, seconds).
namespace RelativeDate {

// In the given ICU locale ("en_US"), or the process's default locale when empty. Empty when
// either date is invalid.
QString text(const QDateTime &date, const QDateTime &now, const QString &locale = {});

} // namespace RelativeDate

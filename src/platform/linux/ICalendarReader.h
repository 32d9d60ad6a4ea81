#pragma once

#include "platform/linux/ICalendarText.h"

// The half of ICalendarText that reads with libical. It is built into the calendar module
// (vantle-ical), which the program loads when it first has a calendar text to read, so a
// session without calendar files never maps libical; a program that links it in (the tests,
// the benchmarks) uses it directly. It takes only texts within ICalendarText's limits.
namespace ICalendarReader {

struct Functions
{
    QList<CalendarEvent> (*events)(const QByteArray &text, const QDateTime &from,
                                   const QDateTime &to, const QString &source);
    QList<CalendarReminder> (*incompleteReminders)(const QByteArray &text,
                                                   const QDateTime &dueBefore,
                                                   const QString &source, const QString &list);
    QString (*calendarName)(const QByteArray &text);
    ICalendarText::Completed (*withTaskCompleted)(const QByteArray &text, const QString &uid,
                                                  const QDateTime &when);
};

} // namespace ICalendarReader

// The module's one entry point, resolved by name.
extern "C" const ICalendarReader::Functions *vantleICalendarReader();

#pragma once

#include "platform/CalendarStore.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class QDBusMessage;

// The questions the quests ask of calendars evolution-data-server opened, over the bus. The data
// server hands out iCalendar text; these calls gather it (the objects, the time zones they name)
// into one calendar text per source for `ICalendarText` to read. Every call is bounded by
// `deadline`; an answer that is late, not text or past `ICalendarText`'s limits counts as none.
namespace EdsCalendarClient {

using Deadline = std::chrono::steady_clock::time_point;

// Where an opened calendar is on the bus.
struct Target
{
    QString service;
    QString path;
};

// The data server's query for the objects with an occurrence overlapping [from, to), widened by
// a day each way: it reads floating times in a zone of its own, the caller in the user's.
QString occurringIn(const QDateTime &from, const QDateTime &to);

// The calendar text of each target's objects matching `query`, all targets asked at once, with
// the VTIMEZONEs their TZIDs name. With `wholeSeries`, every part of a repeating object found
// comes along (its rule and each moved occurrence, wherever they fall). Nothing for a target
// without a readable answer by `deadline`. Safe from any thread.
QList<std::optional<QByteArray>> fetch(const QDBusConnection &bus, const QList<Target> &targets,
                                       const QString &query, bool wholeSeries, Deadline deadline);

// Marks the task `uid` completed at `when` (status, completion time, percent complete) through
// the data server, so its server or the local store gets it. Calls `ICalendarText`: from one
// thread at a time.
ReminderCompletion complete(const QDBusConnection &bus, const Target &target, const QString &uid,
                            const QDateTime &when, Deadline deadline);

// The object texts of a GetObjectList answer; nothing for an error, anything but a list of
// iCalendar texts, or more than `ICalendarText` reads.
std::optional<QList<QByteArray>> objectsOf(const QDBusMessage &reply);
// The zones the objects' TZID parameters name, and the UIDs of those that repeat or move one
// occurrence of a series.
QStringList zonesNamed(const QList<QByteArray> &objects);
QStringList seriesNamed(const QList<QByteArray> &objects);
// One calendar of the zones and the objects; an object that is a calendar itself is taken in.
QByteArray calendarOf(const QList<QByteArray> &zones, const QList<QByteArray> &objects);

} // namespace EdsCalendarClient

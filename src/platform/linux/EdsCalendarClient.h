#pragma once

#include "platform/CalendarStore.h"

#include <QDateTime>
#include <QList>
#include <QString>

typedef struct _ECalClient ECalClient;
typedef struct _GCancellable GCancellable;

// The questions the quests ask of one connected calendar client, each one blocking call on the
// calling thread that `cancel` cuts short. Ids start with `source` + "/".
namespace EdsCalendarClient {

// The occurrences overlapping [from, to), recurrences expanded by the library (rules, extra and
// excluded dates, moved occurrences).
QList<CalendarEvent> events(ECalClient *client, const QString &source, const QDateTime &from,
                            const QDateTime &to, GCancellable *cancel);

// The incomplete tasks due before `dueBefore` or without a due date; `list` names them.
QList<CalendarReminder> incompleteReminders(ECalClient *client, const QString &source,
                                            const QString &list, const QDateTime &dueBefore,
                                            GCancellable *cancel);

// Marks the task `uid` completed at `when` (status, completion time, percent complete) through
// the client, so its server or the local store gets it.
ReminderCompletion complete(ECalClient *client, const QString &uid, const QDateTime &when,
                            GCancellable *cancel);

} // namespace EdsCalendarClient

#pragma once

#include "platform/CalendarStore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Reading and completing the iCalendar text of one store with libical. Text that does not parse
// gives nothing. Not safe to call from two threads at once: libical keeps its time zones in
// globals. libical is reached through ICalendarReader, loaded at the first text worth reading;
// where it cannot be loaded the texts give nothing and a check-off finds them unreadable.
namespace ICalendarText {

// Past these a text is not handed to libical at all: it walks nested components by recursion
// (a few hundred thousand BEGIN:VTODO lines inside each other run the stack out) and holds
// every component in memory. Calendar apps nest three deep (a calendar, an event, its alarm)
// and write a few thousand components.
inline constexpr int kMaxDepth = 32;
inline constexpr qsizetype kMaxComponents = 100000;
inline constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;

// Why `text` is past those limits, from a scan of its BEGIN: and END: lines; empty when it is
// within them. The readers below give nothing for such a text, and a check-off finds it
// unreadable.
QString pastLimits(const QByteArray &text);

// The occurrences of the text's events overlapping [from, to), recurring events expanded (rules,
// extra dates, excluded dates and moved occurrences). Ids start with `source` + "/".
QList<CalendarEvent> events(const QByteArray &text, const QDateTime &from, const QDateTime &to,
                            const QString &source);

// The text's incomplete tasks due before `dueBefore` or without a due date. Ids are `source` +
// "/" + the task's UID; `list` names them.
QList<CalendarReminder> incompleteReminders(const QByteArray &text, const QDateTime &dueBefore,
                                            const QString &source, const QString &list);

// The calendar's own name (X-WR-CALNAME); empty when it has none.
QString calendarName(const QByteArray &text);

// The text with the task `uid` marked completed at `when` (STATUS, COMPLETED and
// PERCENT-COMPLETE) and every other byte as it was.
struct Completed
{
    enum class Outcome {
        completed,
        notFound,
        // The task is there but libical could not read all of it: writing it back would lose
        // what it dropped, so nothing is written.
        unreadable,
    };
    Outcome outcome = Outcome::notFound;
    QByteArray text;
    QByteArray task; // the completed task's own component, as written into `text`
};
Completed withTaskCompleted(const QByteArray &text, const QString &uid, const QDateTime &when);

} // namespace ICalendarText

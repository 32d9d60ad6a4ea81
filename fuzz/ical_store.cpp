#include "FuzzSupport.h"

#include "platform/linux/ICalendarText.h"

#include <QTimeZone>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A zone with daylight saving, so local midnights and floating times have gaps and folds.
    setenv("TZ", "Europe/Berlin", 1);
    Fuzz::application();
    return 0;
}

// A calendar or task store as an Evolution folder holds it: events (recurrence rules, extra
// and excluded dates, moved occurrences), reminders and the calendar's name. scripts/fuzz lets
// inputs grow past the nesting and component limits.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = Fuzz::bytes(data, size);
    const QDateTime from(QDate(2026, 3, 29), QTime(0, 0), Qt::LocalTime);
    const QDateTime to = from.addDays(7);
    const QList<CalendarEvent> events = ICalendarText::events(text, from, to, QStringLiteral("s"));
    for (const CalendarEvent &event : events) {
        Fuzz::require(event.start < to.addSecs(1) && event.end >= event.start,
                      "an occurrence overlaps the window and ends after it starts");
    }
    const QList<CalendarReminder> reminders
        = ICalendarText::incompleteReminders(text, to, QStringLiteral("s"), QStringLiteral("l"));
    Fuzz::require(ICalendarText::pastLimits(text).isEmpty()
                      || (events.isEmpty() && reminders.isEmpty()),
                  "a store past the limits gives nothing");
    (void)ICalendarText::calendarName(text);
    return 0;
}

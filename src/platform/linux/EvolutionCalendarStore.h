#pragma once

#include "platform/CalendarStore.h"

#include <QString>

// The iCalendar stores Evolution and its data server keep under the user's data folder:
// `evolution/calendar/<source>/calendar.ics` for events, `evolution/tasks/<source>/tasks.ics`
// for reminders. A reminder's id is its source folder's name, "/" and the task's UID.
class EvolutionCalendarStore final : public CalendarStore
{
public:
    // A store larger than this is not read: no calendar app writes one, and reading it would
    // hold the worker for long.
    static constexpr qint64 kMaxStoreBytes = 64 * 1024 * 1024;
    // Completing re-reads a store that changed while it was being rewritten; after this many
    // changes in a row it gives up rather than race the other writer for good.
    static constexpr int kWriteAttempts = 5;

    explicit EvolutionCalendarStore(QString dataHome);

    Access eventAccess() const override;
    Access reminderAccess() const override;
    QList<CalendarEvent> events(const QDateTime &from, const QDateTime &to) const override;
    QList<CalendarReminder> incompleteReminders(const QDateTime &dueBefore) const override;
    ReminderCompletion completeReminder(const QString &id, const QDateTime &when) override;
    QStringList watchedPaths() const override;

    // Access to the stores `root/*/fileName`: granted when one can be read, denied when some
    // exist and none can, not determined when there are none.
    static Access storeAccess(const QString &root, const QString &fileName);

private:
    QString calendarRoot() const;
    QString taskRoot() const;

    QString m_dataHome;
};

#pragma once

#include "platform/CalendarStore.h"
#include "platform/linux/ICalendarText.h"

#include <QSet>
#include <QString>

#include <optional>

class SystemLog;

// The iCalendar stores Evolution and its data server keep under the user's data folder:
// `evolution/calendar/<source>/calendar.ics` for events, `evolution/tasks/<source>/tasks.ics`
// for reminders. A reminder's id is its source folder's name, "/" and the task's UID.
class EvolutionCalendarStore final : public CalendarStore
{
public:
    // A store larger than this is not read: no calendar app writes one, and reading it would
    // hold the worker for long.
    static constexpr qint64 kMaxStoreBytes = ICalendarText::kMaxBytes;
    // Completing re-reads a store that changed while it was being rewritten; after this many
    // changes in a row it gives up rather than race the other writer for good.
    static constexpr int kWriteAttempts = 5;

    // A store past the limits of ICalendarText (too large, nested too deep, too many parts) is
    // read as unreadable and told to `log` once, while it stays so.
    explicit EvolutionCalendarStore(QString dataHome, SystemLog *log = nullptr);

    Access eventAccess() const override;
    Access reminderAccess() const override;
    QList<CalendarEvent> events(const QDateTime &from, const QDateTime &to) const override;
    QList<CalendarReminder> incompleteReminders(const QDateTime &dueBefore) const override;
    ReminderCompletion completeReminder(const QString &id, const QDateTime &when) override;
    QStringList watchedPaths() const override;
    // Each store folder, by its name.
    CalendarSources sources() const override;

    // Access to the stores `root/*/fileName`: granted when one can be read, denied when some
    // exist and none can, not determined when there are none.
    static Access storeAccess(const QString &root, const QString &fileName);

private:
    QString calendarRoot() const;
    QString taskRoot() const;
    std::optional<QByteArray> readStore(const QString &path) const;

    QString m_dataHome;
    SystemLog *m_log;
    mutable QSet<QString> m_refused; // the stores past the limits, told to the log
};

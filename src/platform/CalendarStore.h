#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One occurrence of a calendar event; a recurring event gives one per occurrence.
struct CalendarEvent
{
    QString id; // stable for this occurrence
    QString title; // empty when the event has none
    QDateTime start;
    QDateTime end;
    QString location;
    bool allDay = false;
    bool cancelled = false;
};

// An incomplete reminder (a task of a task list).
struct CalendarReminder
{
    QString id; // names the list and the task, for `completeReminder`
    QString title; // empty when the task has none
    std::optional<QDateTime> due;
    QString list; // the list's name; empty when it has none
};

// What marking a reminder complete came to.
struct ReminderCompletion
{
    enum class Outcome {
        completed,
        // No such reminder (any more): nothing was written.
        notFound,
        // It could not be saved; `error` says why.
        failed,
    };
    Outcome outcome = Outcome::notFound;
    QString error;
};

// The user's calendars and reminders as the desktop keeps them. Every call may wait on the file
// system: ask off the main thread, and from one thread at a time.
class CalendarStore
{
public:
    // Whether a kind of item can be read.
    enum class Access {
        granted,
        // No store exists yet.
        notDetermined,
        // A store exists but cannot be read.
        denied,
    };

    virtual ~CalendarStore() = default;

    virtual Access eventAccess() const = 0;
    virtual Access reminderAccess() const = 0;

    // The occurrences of every calendar's events that overlap [from, to), in no order. A store
    // that cannot be read or parsed contributes nothing.
    virtual QList<CalendarEvent> events(const QDateTime &from, const QDateTime &to) const = 0;
    // Every list's incomplete reminders due before `dueBefore`, and those without a due date,
    // in no order.
    virtual QList<CalendarReminder> incompleteReminders(const QDateTime &dueBefore) const = 0;
    // Marks one reminder complete as of `when`, changing nothing else in its store.
    virtual ReminderCompletion completeReminder(const QString &id, const QDateTime &when) = 0;

    // The files and folders whose changes may change the answers above.
    virtual QStringList watchedPaths() const = 0;
};

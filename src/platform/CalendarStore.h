#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
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

// Where the calendars and reminders come from, as the setup check tells it.
struct CalendarSources
{
    struct Source
    {
        QString name; // the source's display name
        QString kind; // how it is kept: "CalDAV", "Google", "On This Computer"…
        bool events = true; // a calendar; else a task list
        bool online = false;
        bool needsSignIn = false; // the keyring gave no password and it asks for one
    };
    // What the quests read through: evolution-data-server, or the calendar files.
    QString backend;
    // Why the files are read instead of the data server; empty when it is in use.
    QString fallbackReason;
    QList<Source> sources;
};

// The user's calendars and reminders as the desktop keeps them. Every call may wait on the file
// system or the bus: ask off the main thread, and from one thread at a time.
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

    // A store that hears of changes itself calls `handler` on a thread of its own whenever the
    // answers above may have changed; one handler at a time, an empty one stops the calls.
    virtual void setChangeHandler(std::function<void()> handler) { (void)handler; }
    // The sources behind the answers, for the setup check; may wait like the calls above.
    virtual CalendarSources sources() const = 0;
};

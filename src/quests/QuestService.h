#pragma once

#include "platform/CalendarStore.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class Feedback;
class QFileSystemWatcher;

// The user's calendar events and due reminders as quests: a short list of upcoming events, the
// incomplete reminders due by the end of today, the count of those that need the user now, and
// completing a reminder. Main thread only; the stores are read and written on a worker of the
// service's own, one task at a time, and the results come back here. It refreshes only while
// the HUD is visible: once a minute and whenever a store changes, on disk or as the store reports.
class QuestService final : public QObject
{
    Q_OBJECT
public:
    using Access = CalendarStore::Access;

    struct Event
    {
        QString id;
        QString title; // "Untitled" when the event has none
        QDateTime start;
        QDateTime end;
        QString location; // empty when none
    };

    struct Reminder
    {
        QString id;
        QString title; // "Untitled" when the reminder has none
        std::optional<QDateTime> due;
        QString list;
    };

    static constexpr int maxListed = 8;
    static constexpr int refreshIntervalMs = 60 * 1000;
    // A burst of file changes (a save writes and renames) is read once.
    static constexpr int changeSettleMs = 300;
    static constexpr qint64 pressingSeconds = 600;
    static constexpr qint64 lookBackSeconds = 3600;
    static constexpr qint64 lookAheadSeconds = 36 * 3600;
    static constexpr double completedToastSeconds = 2.2;
    static constexpr double failedToastSeconds = 4.0;

    // `openCalendarApp` opens the desktop's calendar application: where the user adds a
    // calendar or lets Kaidro read one.
    QuestService(CalendarStore &store, const Clock &clock, Feedback &feedback,
                 QObject *parent = nullptr);
    ~QuestService() override;

    Access eventAccess() const { return m_eventAccess; }
    Access reminderAccess() const { return m_reminderAccess; }
    const QList<Event> &events() const { return m_events; }
    const QList<Reminder> &reminders() const { return m_reminders; }

    bool needsAccess() const;
    bool accessDenied() const;
    // Pressing events and overdue reminders at `t`.
    int urgentCount(const QDateTime &t) const;
    // It runs, or starts within ten minutes.
    static bool isPressing(const Event &event, const QDateTime &t);
    // Due before `t`; a reminder without a due date never is.
    static bool isOverdue(const Reminder &reminder, const QDateTime &t);

    // On: a refresh now, then every minute and on every change of a store. Off: nothing runs;
    // the lists keep what they hold.
    void setHUDVisible(bool visible);
    bool isRefreshing() const { return m_visible; }

    // Reads the access states and both lists again.
    void refresh();
    // There is no permission to ask for here: the calendar app is where a calendar is added.
    void requestAccess();
    void openSettings();
    // Marks the reminder `id` complete; nothing when it no longer exists.
    void complete(const QString &id);

    // Store work queued or running (tests wait for it).
    bool isBusy() const { return m_pending > 0; }

    // What one read of the stores gives, cut and sorted as the lists are published.
    struct Snapshot
    {
        Access eventAccess = Access::notDetermined;
        Access reminderAccess = Access::notDetermined;
        QList<Event> events;
        QList<Reminder> reminders;
        QStringList watchedPaths;
    };
    static Snapshot read(const CalendarStore &store, const QDateTime &now);

signals:
    void changed();
    // The calendar app should open: to grant access, or to change what the quests show.
    void calendarAppRequested();

private:
    void apply(const Snapshot &snapshot);
    void watch(const QStringList &paths);
    void completed(const QString &id, const QString &title, const ReminderCompletion &result);
    // Runs `work` on the worker and `then` with its result here, unless the service is gone.
    template <typename Work, typename Then> void onWorker(Work work, Then then);

    CalendarStore &m_store;
    const Clock &m_clock;
    Feedback &m_feedback;

    Access m_eventAccess = Access::notDetermined;
    Access m_reminderAccess = Access::notDetermined;
    QList<Event> m_events;
    QList<Reminder> m_reminders;

    bool m_visible = false;
    bool m_reading = false;
    bool m_readAgain = false;
    int m_pending = 0;
    QStringList m_watchedPaths;
    QTimer m_timer;
    QTimer m_settle;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    QThreadPool m_worker;
};

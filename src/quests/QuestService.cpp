#include "quests/QuestService.h"

#include "platform/Clock.h"
#include "platform/Feedback.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QPointer>

#include <algorithm>

namespace {

QString titleOrUntitled(const QString &title)
{
    const QString trimmed = title.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("Untitled") : trimmed;
}

} // namespace

QuestService::QuestService(CalendarStore &store, const Clock &clock, Feedback &feedback,
                           QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
    , m_feedback(feedback)
{
    // One task at a time: libical is not to be used from two threads, and a completion must
    // never interleave with a read of the same store.
    m_worker.setMaxThreadCount(1);
    m_timer.setInterval(refreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &QuestService::refresh);
    m_settle.setSingleShot(true);
    m_settle.setInterval(changeSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &QuestService::refresh);
    // A store that hears of its own changes calls from a thread of its own: the read is started
    // here, like one a file change starts.
    const QPointer<QuestService> self(this);
    m_store.setChangeHandler([self] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self && self->m_visible)
                    self->m_settle.start();
            },
            Qt::QueuedConnection);
    });
}

QuestService::~QuestService()
{
    m_store.setChangeHandler({});
    m_worker.clear();
    m_worker.waitForDone();
}

template <typename Work, typename Then> void QuestService::onWorker(Work work, Then then)
{
    ++m_pending;
    OffThread::run(m_worker, this, std::move(work),
                   [this, then = std::move(then)](auto result) mutable {
                       --m_pending;
                       then(std::move(result));
                   });
}

bool QuestService::needsAccess() const
{
    return m_eventAccess == Access::notDetermined || m_reminderAccess == Access::notDetermined;
}

bool QuestService::accessDenied() const
{
    return m_eventAccess == Access::denied || m_reminderAccess == Access::denied;
}

bool QuestService::isPressing(const Event &event, const QDateTime &t)
{
    return event.end > t && event.start <= t.addSecs(pressingSeconds);
}

bool QuestService::isOverdue(const Reminder &reminder, const QDateTime &t)
{
    return reminder.due && *reminder.due < t;
}

int QuestService::urgentCount(const QDateTime &t) const
{
    const auto pressing = std::count_if(m_events.cbegin(), m_events.cend(),
                                        [&](const Event &e) { return isPressing(e, t); });
    const auto overdue = std::count_if(m_reminders.cbegin(), m_reminders.cend(),
                                       [&](const Reminder &r) { return isOverdue(r, t); });
    return int(pressing + overdue);
}

void QuestService::setHUDVisible(bool visible)
{
    m_timer.stop();
    m_settle.stop();
    m_watcher.reset();
    m_visible = visible;
    if (!visible)
        return;
    refresh();
    m_timer.start();
    watch(m_watchedPaths);
}

void QuestService::watch(const QStringList &paths)
{
    m_watchedPaths = paths;
    if (!m_visible)
        return;
    if (!m_watcher) {
        m_watcher = std::make_unique<QFileSystemWatcher>();
        connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, &m_settle,
                qOverload<>(&QTimer::start));
        connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, &m_settle,
                qOverload<>(&QTimer::start));
    }
    QStringList watched = m_watcher->files() + m_watcher->directories();
    QStringList wanted = paths;
    watched.sort();
    wanted.sort();
    if (watched == wanted)
        return;
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (!wanted.isEmpty())
        m_watcher->addPaths(wanted);
}

QuestService::Snapshot QuestService::read(const CalendarStore &store, const QDateTime &now)
{
    Snapshot s;
    s.eventAccess = store.eventAccess();
    s.reminderAccess = store.reminderAccess();
    s.watchedPaths = store.watchedPaths();

    if (s.eventAccess == Access::granted) {
        for (const CalendarEvent &e :
             store.events(now.addSecs(-lookBackSeconds), now.addSecs(lookAheadSeconds))) {
            if (e.allDay || e.cancelled || e.end <= now)
                continue;
            s.events << Event{e.id, titleOrUntitled(e.title), e.start, e.end, e.location};
        }
        std::stable_sort(s.events.begin(), s.events.end(),
                         [](const Event &a, const Event &b) { return a.start < b.start; });
        if (s.events.size() > maxListed)
            s.events.resize(maxListed);
    }

    if (s.reminderAccess == Access::granted) {
        const QDateTime endOfToday = QDateTime(now.date(), QTime(0, 0)).addSecs(86400);
        for (const CalendarReminder &r : store.incompleteReminders(endOfToday))
            s.reminders << Reminder{r.id, titleOrUntitled(r.title), r.due, r.list};
        // Undated reminders go last, as if due in the distant future.
        std::stable_sort(s.reminders.begin(), s.reminders.end(),
                         [](const Reminder &a, const Reminder &b) {
                             if (!a.due || !b.due)
                                 return a.due.has_value() && !b.due.has_value();
                             return *a.due < *b.due;
                         });
        if (s.reminders.size() > maxListed)
            s.reminders.resize(maxListed);
    }
    return s;
}

void QuestService::refresh()
{
    // One read at a time; asking during a read reads once more after it.
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    const CalendarStore &store = m_store;
    const QDateTime now = m_clock.now();
    onWorker([&store, now] { return read(store, now); },
             [this](Snapshot snapshot) {
                 m_reading = false;
                 apply(snapshot);
                 if (std::exchange(m_readAgain, false))
                     refresh();
             });
}

void QuestService::apply(const Snapshot &s)
{
    m_eventAccess = s.eventAccess;
    m_reminderAccess = s.reminderAccess;
    m_events = s.events;
    m_reminders = s.reminders;
    qCDebug(lcQuests) << "calendar store read: event access" << int(s.eventAccess) << "with"
                      << s.events.size() << "events, reminder access" << int(s.reminderAccess)
                      << "with" << s.reminders.size() << "reminders," << s.watchedPaths.size()
                      << "files watched";
    // A file replaced by a rename drops out of the watch: each read watches what is there now.
    watch(s.watchedPaths);
    emit changed();
}

void QuestService::requestAccess()
{
    emit calendarAppRequested();
    refresh();
}

void QuestService::openSettings()
{
    emit calendarAppRequested();
}

void QuestService::complete(const QString &id)
{
    QString title;
    for (const Reminder &r : std::as_const(m_reminders)) {
        if (r.id == id)
            title = r.title;
    }
    CalendarStore &store = m_store;
    const QDateTime when = m_clock.now();
    onWorker([&store, id, when] { return store.completeReminder(id, when); },
             [this, id, title](ReminderCompletion result) {
                 qCDebug(lcQuests)
                     << "completing reminder" << id << "ended with outcome" << int(result.outcome);
                 completed(id, title, result);
             });
}

void QuestService::completed(const QString &id, const QString &title,
                             const ReminderCompletion &result)
{
    switch (result.outcome) {
    case ReminderCompletion::Outcome::notFound:
        return;
    case ReminderCompletion::Outcome::failed:
        m_feedback.toast(QStringLiteral("Couldn't complete it"), result.error, failedToastSeconds);
        return;
    case ReminderCompletion::Outcome::completed:
        break;
    }
    m_feedback.play(SoundCue::confirm, 0.6f);
    m_feedback.toast(QStringLiteral("Quest complete"), title, completedToastSeconds);
    m_reminders.removeIf([&](const Reminder &r) { return r.id == id; });
    emit changed();
}

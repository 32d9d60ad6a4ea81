#include "platform/linux/EdsCalendarStore.h"

#include "platform/linux/EdsCalendarClient.h"

#include "platform/SystemLog.h"

#include <QThreadPool>

// GIO's D-Bus structs carry a member named `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <future>
#include <vector>

namespace {

// One source's question on the pool: it keeps its client and its answer alive for as long as it
// runs, even after the asker stopped waiting for it.
template <typename T> struct Asking
{
    std::promise<T> answer;
    GCancellable *cancel = g_cancellable_new();
    ~Asking() { g_object_unref(cancel); }
};

} // namespace

EdsCalendarStore::EdsCalendarStore(QString dataHome, SystemLog *log)
    : m_files(std::move(dataHome), log)
    , m_log(log)
    , m_pool(std::make_unique<QThreadPool>())
{
    // Every source at once, so a slow one holds up no other.
    m_pool->setMaxThreadCount(16);
    m_session = std::make_unique<EdsSession>([this] { changed(); });
}

EdsCalendarStore::~EdsCalendarStore()
{
    // The questions still on the pool were cancelled when they ran past their limit.
    m_pool->waitForDone();
    m_session.reset();
}

bool EdsCalendarStore::usingDataServer() const
{
    return m_session->available(Clock::now() + kRegistryWait);
}

void EdsCalendarStore::refreshServers()
{
    m_session->refreshOnline();
}

void EdsCalendarStore::setChangeHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

void EdsCalendarStore::changed()
{
    std::lock_guard lock(m_handlerMutex);
    if (m_handler)
        m_handler();
}

QList<EdsSession::Source> EdsCalendarStore::ready(bool events) const
{
    QList<EdsSession::Source> found;
    for (const EdsSession::Source &s : m_session->sources(Clock::now() + kSourceLimit)) {
        if (s.events == events && s.state == EdsSession::State::ready && s.client)
            found.append(s);
    }
    return found;
}

template <typename T, typename Query>
QList<T> EdsCalendarStore::askEach(const QList<EdsSession::Source> &sources, Query query) const
{
    QList<std::shared_ptr<Asking<QList<T>>>> asked;
    std::vector<std::future<QList<T>>> answers;
    for (const EdsSession::Source &source : sources) {
        auto asking = std::make_shared<Asking<QList<T>>>();
        answers.push_back(asking->answer.get_future());
        asked.append(asking);
        m_pool->start(
            [asking, source, query] { asking->answer.set_value(query(source, asking->cancel)); });
    }
    const Clock::time_point deadline = Clock::now() + kSourceLimit;
    QList<T> all;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        if (answers[size_t(i)].wait_until(deadline) == std::future_status::ready) {
            all += answers[size_t(i)].get();
            continue;
        }
        g_cancellable_cancel(asked[i]->cancel);
        std::lock_guard lock(m_stateMutex);
        if (m_log && !m_slow.contains(sources[i].uid))
            m_log->log(QStringLiteral("calendar source \"%1\" did not answer within %2 ms")
                           .arg(sources[i].name)
                           .arg(kSourceLimit.count()));
        m_slow.insert(sources[i].uid);
    }
    return all;
}

CalendarStore::Access EdsCalendarStore::access(bool events) const
{
    bool any = false;
    for (const EdsSession::Source &s : m_session->sources(Clock::now() + kSourceLimit)) {
        if (s.events != events)
            continue;
        if (s.state == EdsSession::State::ready)
            return Access::granted;
        any = any || s.state == EdsSession::State::failed;
    }
    // Only sources that cannot be opened: the data server holds them, but not for Kaidro.
    return any ? Access::denied : Access::notDetermined;
}

CalendarStore::Access EdsCalendarStore::eventAccess() const
{
    return usingDataServer() ? access(true) : m_files.eventAccess();
}

CalendarStore::Access EdsCalendarStore::reminderAccess() const
{
    return usingDataServer() ? access(false) : m_files.reminderAccess();
}

QList<CalendarEvent> EdsCalendarStore::events(const QDateTime &from, const QDateTime &to) const
{
    if (!usingDataServer())
        return m_files.events(from, to);
    {
        // A server's changes reach its cache on the backend's own schedule; while the quests
        // are read, ask for them a little more often.
        std::lock_guard lock(m_stateMutex);
        if (Clock::now() - m_lastServerRefresh >= kServerRefresh) {
            m_lastServerRefresh = Clock::now();
            m_session->refreshOnline();
        }
    }
    return askEach<CalendarEvent>(
        ready(true), [from, to](const EdsSession::Source &s, GCancellable *cancel) {
            return EdsCalendarClient::events(s.client.get(), s.uid, from, to, cancel);
        });
}

QList<CalendarReminder> EdsCalendarStore::incompleteReminders(const QDateTime &dueBefore) const
{
    if (!usingDataServer())
        return m_files.incompleteReminders(dueBefore);
    return askEach<CalendarReminder>(
        ready(false), [dueBefore](const EdsSession::Source &s, GCancellable *cancel) {
            return EdsCalendarClient::incompleteReminders(s.client.get(), s.uid, s.name, dueBefore,
                                                          cancel);
        });
}

ReminderCompletion EdsCalendarStore::completeReminder(const QString &id, const QDateTime &when)
{
    if (!usingDataServer())
        return m_files.completeReminder(id, when);
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    const QString uid = id.mid(slash + 1);
    for (const EdsSession::Source &source : ready(false)) {
        if (source.uid != id.left(slash))
            continue;
        auto asking = std::make_shared<Asking<ReminderCompletion>>();
        std::future<ReminderCompletion> answer = asking->answer.get_future();
        m_pool->start([asking, source, uid, when] {
            asking->answer.set_value(
                EdsCalendarClient::complete(source.client.get(), uid, when, asking->cancel));
        });
        if (answer.wait_for(kCompleteLimit) == std::future_status::ready)
            return answer.get();
        g_cancellable_cancel(asking->cancel);
        return {ReminderCompletion::Outcome::failed,
                QStringLiteral("%1 did not answer in time.").arg(source.name)};
    }
    return {};
}

QStringList EdsCalendarStore::watchedPaths() const
{
    return usingDataServer() ? QStringList() : m_files.watchedPaths();
}

CalendarSources EdsCalendarStore::sources() const
{
    if (!usingDataServer()) {
        CalendarSources files = m_files.sources();
        files.fallbackReason = m_session->unavailableReason();
        return files;
    }
    CalendarSources found;
    found.backend = QStringLiteral("evolution-data-server");
    for (const EdsSession::Source &s : m_session->sources(Clock::now() + kSourceLimit))
        found.sources.append(
            {s.name, EdsSession::backendKind(s.backend), s.events, s.online, s.needsSignIn});
    return found;
}

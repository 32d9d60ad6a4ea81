#include "platform/linux/EdsCalendarStore.h"

#include "platform/linux/EdsCalendarClient.h"
#include "platform/linux/ICalendarText.h"

#include "platform/SystemLog.h"

EdsCalendarStore::EdsCalendarStore(QString dataHome, SystemLog *log,
                                   std::chrono::milliseconds wakeDelay)
    : m_files(std::move(dataHome), log)
    , m_log(log)
    , m_session(std::make_unique<EdsSession>([this] { changed(); }, wakeDelay))
{ }

EdsCalendarStore::~EdsCalendarStore() = default;

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
        if (s.events == events && s.state == EdsSession::State::ready && !s.path.isEmpty())
            found.append(s);
    }
    return found;
}

QList<std::optional<QByteArray>> EdsCalendarStore::fetch(const QList<EdsSession::Source> &sources,
                                                         const QString &query,
                                                         bool wholeSeries) const
{
    QList<EdsCalendarClient::Target> targets;
    for (const EdsSession::Source &s : sources)
        targets.append({s.service, s.path});
    const QList<std::optional<QByteArray>> texts = EdsCalendarClient::fetch(
        m_session->bus(), targets, query, wholeSeries, Clock::now() + kSourceLimit);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        if (texts[i])
            continue;
        std::lock_guard lock(m_stateMutex);
        if (m_log && !m_slow.contains(sources[i].uid))
            m_log->log(QStringLiteral("calendar source \"%1\" gave no readable answer within %2 ms")
                           .arg(sources[i].name)
                           .arg(kSourceLimit.count()));
        m_slow.insert(sources[i].uid);
    }
    return texts;
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
    const QList<EdsSession::Source> sources = ready(true);
    const QList<std::optional<QByteArray>> texts
        = fetch(sources, EdsCalendarClient::occurringIn(from, to), true);
    QList<CalendarEvent> all;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        if (texts[i])
            all += ICalendarText::events(*texts[i], from, to, sources[i].uid);
    }
    return all;
}

QList<CalendarReminder> EdsCalendarStore::incompleteReminders(const QDateTime &dueBefore) const
{
    if (!usingDataServer())
        return m_files.incompleteReminders(dueBefore);
    const QList<EdsSession::Source> sources = ready(false);
    const QList<std::optional<QByteArray>> texts
        = fetch(sources, QStringLiteral("(not (is-completed?))"), false);
    QList<CalendarReminder> all;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        if (texts[i])
            all += ICalendarText::incompleteReminders(*texts[i], dueBefore, sources[i].uid,
                                                      sources[i].name);
    }
    return all;
}

ReminderCompletion EdsCalendarStore::completeReminder(const QString &id, const QDateTime &when)
{
    if (!usingDataServer())
        return m_files.completeReminder(id, when);
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    for (const EdsSession::Source &source : ready(false)) {
        if (source.uid != id.left(slash))
            continue;
        ReminderCompletion done
            = EdsCalendarClient::complete(m_session->bus(), {source.service, source.path},
                                          id.mid(slash + 1), when, Clock::now() + kCompleteLimit);
        if (done.outcome == ReminderCompletion::Outcome::failed && done.error.isEmpty())
            done.error = QStringLiteral("%1 did not answer in time.").arg(source.name);
        return done;
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

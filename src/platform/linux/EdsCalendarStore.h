#pragma once

#include "platform/CalendarStore.h"
#include "platform/linux/EdsSession.h"
#include "platform/linux/EvolutionCalendarStore.h"

#include <QSet>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class SystemLog;

// Every calendar and task list evolution-data-server knows (local ones, CalDAV, Google and
// Exchange accounts alike), read and completed over its D-Bus interfaces, the iCalendar text it
// hands out read by `ICalendarText`. The sources are asked all at once and given `kSourceLimit`:
// one whose server hangs adds nothing to the answer and delays no other. Where the data server
// cannot be reached (not installed, no session bus) the iCalendar files of the local folders are
// read instead, as `EvolutionCalendarStore` does. Any thread may call it, one at a time (libical is
// read on the caller's). A reminder's id is its source's uid, "/" and the task's UID.
class EdsCalendarStore final : public CalendarStore
{
public:
    using Clock = std::chrono::steady_clock;

    // How long a read waits for the registry to answer at start, before it reads the files.
    static constexpr std::chrono::milliseconds kRegistryWait{5000};
    // How long a read waits for the sources still connecting, and then for each source's answer.
    static constexpr std::chrono::milliseconds kSourceLimit{4000};
    // How long a check-off waits for its source.
    static constexpr std::chrono::milliseconds kCompleteLimit{15000};
    // Online sources are asked to fetch their server's changes at most this often, from reads.
    static constexpr std::chrono::minutes kServerRefresh{5};

    // The data server is first asked `wakeDelay` after the store is made.
    EdsCalendarStore(QString dataHome, SystemLog *log = nullptr,
                     std::chrono::milliseconds wakeDelay = EdsSession::kWakeDelay);
    ~EdsCalendarStore() override;

    Access eventAccess() const override;
    Access reminderAccess() const override;
    QList<CalendarEvent> events(const QDateTime &from, const QDateTime &to) const override;
    QList<CalendarReminder> incompleteReminders(const QDateTime &dueBefore) const override;
    ReminderCompletion completeReminder(const QString &id, const QDateTime &when) override;
    // The files' paths, while they are what is read; the data server's views report the rest.
    QStringList watchedPaths() const override;
    void setChangeHandler(std::function<void()> handler) override;
    CalendarSources sources() const override;

    // Whether the data server answers (waiting up to `kRegistryWait` at start).
    bool usingDataServer() const;
    // Asks every online source to fetch its server's changes now; what they bring is reported
    // through the change handler.
    void refreshServers();

private:
    Access access(bool events) const;
    // The connected sources of one kind.
    QList<EdsSession::Source> ready(bool events) const;
    // The calendar text of each source's objects matching `query`, asked all at once; the
    // sources without an answer within `kSourceLimit` are told to the log once.
    QList<std::optional<QByteArray>> fetch(const QList<EdsSession::Source> &sources,
                                           const QString &query, bool wholeSeries) const;
    void changed();

    EvolutionCalendarStore m_files;
    SystemLog *m_log;
    std::unique_ptr<EdsSession> m_session;
    std::mutex m_handlerMutex;
    std::function<void()> m_handler;
    mutable std::mutex m_stateMutex;
    mutable Clock::time_point m_lastServerRefresh;
    mutable QSet<QString> m_slow; // sources past their limit, told to the log once
};

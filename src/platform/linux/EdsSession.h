#pragma once

#include <QDBusConnection>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class EdsSourceTracker;
class QThread;

// evolution-data-server's source registry and one opened calendar per enabled calendar and task
// list, spoken to over the session bus. The registry's signals, the calendars' opening and their
// live views are handled by an object on a thread of the session's own, all through asynchronous
// calls, so nothing here ever waits on the caller's thread. Any thread may ask for the sources as
// they stand and call the opened calendars through `bus()`; `changed` is called on the session's
// thread whenever a source comes, goes, connects, or its view reports an added, changed or
// removed object.
class EdsSession
{
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // How long an opened calendar of an online backend waits for its server before it serves
    // what it has cached: an unreachable server makes a source slow to connect, never missing.
    static constexpr unsigned kConnectWaitSeconds = 3;

    // The data server is first asked this long after the session is made: opening the
    // calendars starts a backend process per calendar kind in its factory (and the registry
    // and factory themselves, where nothing runs them yet), work that would otherwise share
    // the cores with the program's first frames.
    static constexpr std::chrono::milliseconds kWakeDelay{500};

    enum class State { connecting, ready, failed };

    struct Source
    {
        QString uid;
        QString name;
        QString backend; // the backend module: "local", "caldav", "google"…
        bool events = true; // a calendar; else a task list
        bool online = false;
        bool needsSignIn = false;
        State state = State::connecting;
        QString error; // why it failed
        // The opened calendar on the bus, while ready.
        QString service;
        QString path;
    };

    // What a source's key file (the registry's `Data`) says of it.
    struct KeyFile
    {
        QString name;
        QString parent;
        bool enabled = true;
        bool calendar = false; // has a [Calendar] group
        bool taskList = false; // has a [Task List] group
        QString calendarBackend;
        QString taskBackend;
    };
    // Nothing for text that is not a key file.
    static std::optional<KeyFile> readKeyFile(const QString &data);

    explicit EdsSession(std::function<void()> changed,
                        std::chrono::milliseconds wakeDelay = kWakeDelay);
    ~EdsSession();
    EdsSession(const EdsSession &) = delete;
    EdsSession &operator=(const EdsSession &) = delete;

    // Whether the registry answered by `deadline`. False at once when it cannot be reached (no
    // session bus, the data server not installed); `unavailableReason` then says why.
    bool available(Deadline deadline) const;
    QString unavailableReason() const;

    // The enabled sources, waiting until none of them is still connecting or `deadline` passes.
    QList<Source> sources(Deadline deadline) const;

    // The connection the sources were opened on; calls on it are safe from any thread.
    QDBusConnection bus() const;

    // Asks each online source's backend to fetch its server's changes now.
    void refreshOnline();

    // A readable name for a backend module ("caldav" → "CalDAV").
    static QString backendKind(const QString &backend);

private:
    friend class EdsSourceTracker;

    // Opens the registry and the calendars when anything is first asked of the session, not
    // while the program starts, and not before `m_wakeAt`.
    void start() const;
    void publish(QList<Source> sources);
    void registryFailed(const QString &reason);

    std::function<void()> m_changed;
    const Deadline m_wakeAt; // the data server is not asked before this
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_published;
    enum class Registry { pending, up, down } m_registry = Registry::pending;
    QString m_reason;
    QList<Source> m_sources;
    QString m_busName;
    QDBusConnection m_bus{QString()};

    std::unique_ptr<QThread> m_thread;
    EdsSourceTracker *m_tracker = nullptr; // lives on m_thread
    mutable std::once_flag m_started;
};

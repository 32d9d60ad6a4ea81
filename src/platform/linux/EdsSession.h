#pragma once

#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

typedef struct _ECalClient ECalClient;

// evolution-data-server's source registry and one calendar client per enabled calendar and task
// list, kept on a thread of their own that runs a GLib main loop over its own context: the
// registry's signals, the clients' connections and their live views are handled there, so
// nothing here ever waits on the caller's thread. Any thread may ask for the sources as they
// stand; `changed` is called on the session's thread whenever a source comes, goes, connects, or
// its view reports an added, changed or removed object.
class EdsSession
{
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // How long a client waits for its backend to come online before it serves what it has
    // cached: an unreachable server makes a source slow to connect, never missing.
    static constexpr unsigned kConnectWaitSeconds = 3;

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
        std::shared_ptr<ECalClient> client; // while ready
    };

    explicit EdsSession(std::function<void()> changed);
    ~EdsSession();
    EdsSession(const EdsSession &) = delete;
    EdsSession &operator=(const EdsSession &) = delete;

    // Whether the registry answered by `deadline`. False at once when it cannot be reached (no
    // session bus, the data server not installed); `unavailableReason` then says why.
    bool available(Deadline deadline) const;
    QString unavailableReason() const;

    // The enabled sources, waiting until none of them is still connecting or `deadline` passes.
    QList<Source> sources(Deadline deadline) const;

    // Asks each online source's backend to fetch its server's changes now.
    void refreshOnline();

    // A readable name for a backend module ("caldav" → "CalDAV").
    static QString backendKind(const QString &backend);

private:
    struct Loop;
    friend struct Loop;

    void run();
    void publish(QList<Source> sources);
    void registryFailed(const QString &reason);

    std::function<void()> m_changed;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_published;
    enum class Registry { pending, up, down } m_registry = Registry::pending;
    QString m_reason;
    QList<Source> m_sources;

    std::unique_ptr<Loop> m_loop;
    std::thread m_thread;
};

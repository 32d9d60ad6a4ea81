#pragma once

#include "platform/linux/EdsSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include <functional>
#include <map>
#include <optional>

// The part of `EdsSession` that lives on the session's thread: it follows the registry's source
// objects, opens a calendar in the calendar factory for each enabled calendar and task list,
// keeps a view on each for change notices, and publishes the list to the session after every
// change. Every call it makes is asynchronous and bounded by a timeout, so a hung data server
// leaves the sources connecting, never this thread stuck.
class EdsSourceTracker final : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCallTimeoutMs = 30000;
    // A factory that goes away (it crashed, or was restarted) is asked again after this long;
    // sooner than once in `kReopenSpacingMs` only once.
    static constexpr int kReopenDelayMs = 500;
    static constexpr int kReopenSpacingMs = 10000;

    EdsSourceTracker(EdsSession &session, QString busName);

    // Opens the connection and asks the registry; on the tracker's thread.
    void start();
    // Closes the views and calendars it opened; on the tracker's thread, before it is deleted.
    void stop();
    void refreshOnline();

private slots:
    void interfacesAdded(const QDBusMessage &message);
    void interfacesRemoved(const QDBusMessage &message);
    void propertiesChanged(const QDBusMessage &message);
    void viewChanged();
    void factoryGone();
    void registryBack();

private:
    // A source object of the registry, by its path.
    struct Known
    {
        QString uid;
        std::optional<EdsSession::KeyFile> file; // its Data as read, kept instead of the text
        QString status; // its ConnectionStatus
    };
    // One opened (or opening) calendar or task list.
    struct Entry
    {
        QString uid;
        bool events = true;
        QString backend;
        quint64 serial = 0; // which opening a reply belongs to
        EdsSession::State state = EdsSession::State::connecting;
        QString error;
        QString service;
        QString path;
        QString view;
        bool awaitingServer = false;
    };

    void call(const QString &service, const QString &path, const QString &interface,
              const QString &method, const QVariantList &arguments,
              std::function<void(const QDBusMessage &)> then = {});
    // A source's properties over what was known of it.
    static Known known(const QVariantMap &properties, Known k = {});
    void fetchRegistry();
    void learn(const QString &path, const QVariantMap &properties);
    void rescan();
    void open(const QString &key);
    void opened(const QString &key, quint64 serial, const QDBusMessage &reply);
    void ready(Entry &entry);
    void watchView(const QString &key, quint64 serial, const QDBusMessage &reply);
    void close(Entry &entry);
    Entry *find(const QString &key, quint64 serial);
    QString statusOf(const QString &uid) const;
    bool enabled(const QString &uid) const;
    void publish();

    EdsSession &m_session;
    QString m_busName;
    QDBusConnection m_bus{QString()};
    bool m_registryUp = false;
    bool m_fetched = false; // the registry has been asked for its sources
    quint64 m_serial = 0;
    QHash<QString, Known> m_known;
    std::map<QString, Entry> m_entries; // by kind and source uid
    QElapsedTimer m_lastReopen;
};

#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

// One connection to a message bus, opened off the main thread: opening it waits for the bus
// daemon, which the main thread never does. Work asked for before it is open waits for it.
class BusLink final : public QObject
{
    Q_OBJECT

public:
    // `address` empty: the session bus of the environment.
    explicit BusLink(QString address = {}, QObject *parent = nullptr);
    ~BusLink() override;

    // Runs `then` on the main thread with the connection once it is open, at once when it
    // already is; with nullptr when it could not be opened.
    void whenOpen(std::function<void(QDBusConnection *bus)> then);

    // The connection, opened here if need be. Blocks: only for threads that may wait.
    QDBusConnection openBlocking() const;

    // A map sent as a{sv}, whether it arrived already read or still as bus data; nothing for
    // anything else.
    static std::optional<QVariantMap> asMap(const QVariant &value);

signals:
    void opened();

private:
    QString m_address;
    QString m_name;
    std::optional<QDBusConnection> m_bus;
    bool m_failed = false;
    QList<std::function<void(QDBusConnection *)>> m_waiting;
};

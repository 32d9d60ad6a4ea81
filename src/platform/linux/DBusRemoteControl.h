#pragma once

#include "platform/RemoteControl.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>

// Commands over the session bus: the running copy owns the name `org.kaidro.Vantle` and answers
// at `/org/kaidro/Vantle` on the interface of the same name, one method without arguments per
// command ("command-bar" is `CommandBar`), and one returning a string per query ("stats" is
// `Stats`). The newest copy takes the name over.
class DBusRemoteControl final : public QDBusVirtualObject, public RemoteControl
{
    Q_OBJECT
public:
    static const QString kService;
    static const QString kPath;
    static const QString kInterface;

    explicit DBusRemoteControl(QDBusConnection bus = QDBusConnection::sessionBus());
    ~DBusRemoteControl() override;

    bool listen(const QStringList &commands, std::function<void(const QString &command)> handler,
                QString *error) override;
    void answer(const QString &query, std::function<QString()> answer) override;

    enum class Sent {
        delivered,
        // Nobody owns the name: no copy is running on this session bus.
        noRunningCopy,
        // No session bus, or the copy answered with an error; the reason is in `error`.
        failed,
    };
    // Sends one command or query to the running copy and waits for its answer (at most 4 s);
    // never starts a copy. A query's text lands in `answer` when one is given.
    static Sent send(const QString &command, QString *error,
                     QDBusConnection bus = QDBusConnection::sessionBus(),
                     QString *answer = nullptr);

    // "command-bar" → "CommandBar".
    static QString methodFor(const QString &command);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QDBusConnection m_bus;
    QStringList m_commands;
    std::function<void(const QString &)> m_handler;
    QHash<QString, std::function<QString()>> m_queries; // by method name
    bool m_registered = false;
};

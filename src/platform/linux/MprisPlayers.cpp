#include "platform/linux/MprisPlayers.h"

#include <QDBusConnection>
#include <QDBusMessage>

QStringList MprisPlayers::runningPlayers() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {};
    // Asked directly rather than through QDBusConnectionInterface, whose calls wait for the
    // default 25 s when the bus daemon is stuck.
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, busTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    QStringList players;
    const QString prefix = QStringLiteral("org.mpris.MediaPlayer2.");
    for (const QString &name : reply.arguments().constFirst().toStringList()) {
        if (name.startsWith(prefix))
            players << name;
    }
    return players;
}

#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QVariantMap>

// An MPRIS player on its own bus connection that counts its commands; `silent` never answers.
class TestPlayer final : public QDBusVirtualObject
{
public:
    QString status;
    QVariantMap metadata;
    QString identity;
    bool silent = false;
    QStringList commands;

    TestPlayer(const QString &address, const QString &suffix, QString status, QVariantMap metadata,
               QString identity = {})
        : status(std::move(status))
        , metadata(std::move(metadata))
        , identity(std::move(identity))
        , m_connection(QDBusConnection::connectToBus(address, "player-" + suffix))
    {
        m_connection.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), this);
        m_connection.registerService("org.mpris.MediaPlayer2." + suffix);
    }
    ~TestPlayer() override { QDBusConnection::disconnectFromBus(m_connection.name()); }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (silent)
            return true;
        const QString member = message.member();
        if (member == QLatin1String("GetAll"))
            return connection.send(message.createReply(
                QVariantMap{{"PlaybackStatus", status}, {"Metadata", metadata}}));
        if (member == QLatin1String("Get"))
            return connection.send(
                message.createReply(QVariant::fromValue(QDBusVariant(identity))));
        commands << member;
        if (member == QLatin1String("PlayPause"))
            status = status == QLatin1String("Playing") ? "Paused" : "Playing";
        return connection.send(message.createReply());
    }

private:
    QDBusConnection m_connection;
};

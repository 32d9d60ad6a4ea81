#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariantMap>

// A session bus of the test's own: a dbus-daemon that lives as long as this object. Its only
// activatable service, org.mpris.MediaPlayer2.sleeper, would leave the file `startedMarker()`
// behind if anything ever started it.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !m_folder.isValid())
            return;
        // The folder is the service folder too: the daemon reads only its .service files.
        write("org.mpris.MediaPlayer2.sleeper.service",
              "[D-BUS Service]\nName=org.mpris.MediaPlayer2.sleeper\nExec=/usr/bin/touch "
                  + startedMarker().toUtf8() + "\n");
        write("bus.conf",
              "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><servicedir>"
                  + m_folder.path().toUtf8()
                  + "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        m_daemon.start(
            daemon,
            {"--config-file=" + m_folder.filePath("bus.conf"), "--nofork", "--print-address=1"});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    // Empty when the daemon could not be started.
    const QString &address() const { return m_address; }
    QString startedMarker() const { return m_folder.filePath(QStringLiteral("sleeper-started")); }

private:
    void write(const char *name, const QByteArray &text)
    {
        QFile file(m_folder.filePath(QLatin1String(name)));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

// A small MPRIS player on its own connection to the bus. It answers the properties the HUD
// reads and counts the commands it gets; one made `silent` takes every call and never answers.
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

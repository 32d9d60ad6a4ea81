#pragma once

#include "support/TestHelpers.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// A dbus-daemon of the test's own (`address` empty if it failed); its one activatable service,
// org.mpris.MediaPlayer2.sleeper, leaves `startedMarker()` behind if anything starts it.
class PrivateSessionBus final
{
public:
    PrivateSessionBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !m_folder.isValid())
            return;
        // The folder is the service folder too: the daemon reads only its .service files.
        writeFile(m_folder.filePath("org.mpris.MediaPlayer2.sleeper.service"),
                  "[D-BUS Service]\nName=org.mpris.MediaPlayer2.sleeper\nExec=/usr/bin/touch "
                      + startedMarker().toUtf8() + "\n");
        writeFile(m_folder.filePath("bus.conf"),
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
    ~PrivateSessionBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;

    const QString &address() const { return m_address; }
    QString startedMarker() const { return m_folder.filePath(QStringLiteral("sleeper-started")); }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

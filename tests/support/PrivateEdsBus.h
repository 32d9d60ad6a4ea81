#pragma once

#include "support/TestHelpers.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sys/prctl.h>

#include <csignal>

// A dbus-daemon of the caller's own that starts evolution-data-server's source registry and
// calendar factory on demand, under the caller's HOME and XDG folders (set them first), and
// becomes the session bus of this process. The services leave with the bus; the bus leaves with
// this object, or with the process if it dies first.
class PrivateEdsBus final
{
public:
    PrivateEdsBus()
    {
        const QString services = m_folder.filePath("services");
        for (const char *name : {"Sources5", "Calendar8"}) {
            const QString file
                = QStringLiteral("/org.gnome.evolution.dataserver.%1.service").arg(name);
            writeFile(services + file, readFile("/usr/share/dbus-1/services" + file));
        }
        writeFile(m_folder.filePath("bus.conf"),
                  "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><servicedir>"
                      + services.toUtf8()
                      + "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
                        "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
        qputenv("GSETTINGS_BACKEND", "memory");
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start(
            "dbus-daemon",
            {"--config-file=" + m_folder.filePath("bus.conf"), "--nofork", "--print-address=1"});
        if (m_daemon.waitForReadyRead(5000))
            m_address = m_daemon.readLine().trimmed();
        if (!m_address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
    }
    ~PrivateEdsBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateEdsBus(const PrivateEdsBus &) = delete;
    PrivateEdsBus &operator=(const PrivateEdsBus &) = delete;

    // Empty when dbus-daemon (Debian package dbus) could not be started.
    const QByteArray &address() const { return m_address; }

    // Writes a source's key file where the registry reads it when it starts.
    static void addSource(const QString &uid, const QByteArray &keyFile)
    {
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/evolution/sources/" + uid + ".source",
                  keyFile);
    }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QByteArray m_address;
};

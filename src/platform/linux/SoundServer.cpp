#include "platform/linux/SoundServer.h"

#include <QFileInfo>
#include <QString>

#include <unistd.h>

namespace SoundServer {

bool reachable()
{
    // A server named by the user, maybe on another machine, is taken at its word.
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    // The per-user socket (a socket-activated one exists before its server runs), then the
    // system-wide server's.
    QStringList sockets;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        sockets << runtime + QStringLiteral("/pulse/native");
    sockets << QStringLiteral("/run/user/%1/pulse/native").arg(getuid())
            << QStringLiteral("/var/run/pulse/native");
    for (const QString &socket : sockets) {
        if (QFileInfo(socket).exists())
            return true;
    }
    return false;
}

} // namespace SoundServer

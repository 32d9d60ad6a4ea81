#include "platform/linux/LinuxSystemInfo.h"

#include "platform/linux/X11WindowSystem.h"

#include <QFile>
#include <QGuiApplication>

QString LinuxSystemInfo::prettyNameOf(const QByteArray &osRelease)
{
    for (const QByteArray &raw : osRelease.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith("PRETTY_NAME="))
            continue;
        QByteArray value = line.mid(int(sizeof "PRETTY_NAME=") - 1);
        // Values follow shell quoting: "..." with \" \\ \$ \` escapes, or '...' taken as is.
        if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
            return QString::fromUtf8(value.mid(1, value.size() - 2));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.mid(1, value.size() - 2);
        QByteArray out;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value.at(i) == '\\' && i + 1 < value.size())
                ++i;
            out += value.at(i);
        }
        return QString::fromUtf8(out).trimmed();
    }
    return {};
}

QString LinuxSystemInfo::prettyName() const
{
    // /etc wins; /usr/lib holds the vendor's copy that /etc normally links to.
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString name = prettyNameOf(file.read(64 * 1024));
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("Linux");
}

SystemInfo::SessionKind LinuxSystemInfo::sessionKind() const
{
    if (m_nativeWayland)
        return SessionKind::waylandNative;
    if (X11WindowSystem::isWaylandSession())
        return SessionKind::wayland;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return SessionKind::x11;
    return SessionKind::none;
}

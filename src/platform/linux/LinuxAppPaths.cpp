#include "platform/linux/LinuxAppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString xdgFolder(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    // The base directory specification ignores relative paths.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + fallback;
}
} // namespace

LinuxAppPaths::LinuxAppPaths(const QString &executableFolder)
    : m_executableFolder(executableFolder)
{ }

QString LinuxAppPaths::dataHome()
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString LinuxAppPaths::configHome()
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString LinuxAppPaths::dataFolder() const
{
    const QString folder = dataHome() + QStringLiteral("/Vantle");
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return folder;
}

QString LinuxAppPaths::resourcesFolder() const
{
    const QDir exe(m_executableFolder);
    for (const QString &candidate : {exe.filePath(QStringLiteral("resources")),
                                     exe.filePath(QStringLiteral("../share/vantle"))}) {
        if (QFileInfo(candidate + QStringLiteral("/sounds")).isDir()
            || QFileInfo(candidate + QStringLiteral("/fonts")).isDir())
            return QDir::cleanPath(candidate);
    }
    return {};
}

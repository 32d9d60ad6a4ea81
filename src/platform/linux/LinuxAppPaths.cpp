#include "platform/linux/LinuxAppPaths.h"

#include "platform/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <cerrno>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

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

LinuxAppPaths::LinuxAppPaths(const QString &executableFolder, SystemLog *log)
    : m_executableFolder(executableFolder)
    , m_log(log)
{ }

bool LinuxAppPaths::ownFolder(const QString &folder, QString *refusal)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st = {};
    if (::lstat(native.constData(), &st) != 0) {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(folder).absolutePath())
            || (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            || ::lstat(native.constData(), &st) != 0) {
            if (refusal)
                *refusal = QStringLiteral("%1 cannot be made: %2").arg(folder, qt_error_string());
            return false;
        }
    }
    const uid_t me = ::geteuid();
    if (S_ISLNK(st.st_mode)) {
        // Someone else's link would lead our files wherever they chose.
        if (st.st_uid != me) {
            if (refusal)
                *refusal = QStringLiteral("%1 is a link owned by another user").arg(folder);
            return false;
        }
        if (::stat(native.constData(), &st) != 0) {
            if (refusal)
                *refusal = QStringLiteral("%1 leads nowhere").arg(folder);
            return false;
        }
    }
    // A folder someone else owns keeps its modes: they are not ours to change.
    if (S_ISDIR(st.st_mode) && st.st_uid == me && (st.st_mode & 077) != 0)
        ::chmod(native.constData(), 0700);
    return true;
}

QString LinuxAppPaths::dataHome()
{
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString LinuxAppPaths::configHome()
{
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString LinuxAppPaths::cacheHome()
{
    return xdgFolder("XDG_CACHE_HOME", QStringLiteral("/.cache"));
}

QString LinuxAppPaths::dataFolder() const
{
    const QString folder = dataHome() + QStringLiteral("/Vantle");
    // The Skills' folder is made by the user as often as by the program.
    const QString shortcuts = folder + QStringLiteral("/shortcuts");
    QString refusal;
    const bool own = ownFolder(folder, &refusal);
    QString shortcutsRefusal;
    if (own && QFileInfo(shortcuts).isDir())
        ownFolder(shortcuts, &shortcutsRefusal);
    const QMutexLocker lock(&m_mutex);
    for (const auto &[path, why] :
         {std::pair(folder, refusal), std::pair(shortcuts, shortcutsRefusal)}) {
        if (why.isEmpty()) {
            m_refused.remove(path);
        } else if (!m_refused.contains(path)) {
            // Asked for at every save: told once, and again only after it was fine meanwhile.
            m_refused.insert(path);
            if (m_log)
                m_log->log(QStringLiteral("folder not used: %1").arg(why));
        }
    }
    return own ? folder : QString();
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

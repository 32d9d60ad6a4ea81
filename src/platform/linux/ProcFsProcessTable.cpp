#include "platform/linux/ProcFsProcessTable.h"

#include "platform/linux/BoundedRead.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

ProcFsProcessTable::ProcFsProcessTable(QString procRoot)
    : m_procRoot(std::move(procRoot))
{ }

pid_t ProcFsProcessTable::ownPid() const
{
    return ::getpid();
}

uid_t ProcFsProcessTable::ownUid() const
{
    return ::getuid();
}

QString ProcFsProcessTable::cleanExecutablePath(const QString &link)
{
    static const QString deleted = QStringLiteral(" (deleted)");
    return link.endsWith(deleted) ? link.chopped(deleted.size()) : link;
}

QString ProcFsProcessTable::ownExecutable() const
{
    return cleanExecutablePath(QFileInfo(m_procRoot + QStringLiteral("/self/exe")).symLinkTarget());
}

QString ProcFsProcessTable::ownDisplay() const
{
    return QString::fromLocal8Bit(qgetenv("DISPLAY"));
}

QString ProcFsProcessTable::displayIn(const QByteArray &environ)
{
    static const QByteArray key = QByteArrayLiteral("DISPLAY=");
    for (const QByteArray &entry : environ.split('\0')) {
        if (entry.startsWith(key))
            return QString::fromLocal8Bit(entry.mid(key.size()));
    }
    return {};
}

quint64 ProcFsProcessTable::startTimeIn(const QByteArray &stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    // After ") " come the fields from the third on: the start time is the 20th of them.
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields.at(19).toULongLong() : 0;
}

namespace {

// Where /proc/PID/exe points, in one system call; empty when it cannot be read (another
// user's process, a kernel thread, one gone meanwhile).
QString executableOf(const QString &folder)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(folder + QStringLiteral("/exe")).constData(),
                                 target, sizeof target);
    if (n <= 0 || size_t(n) >= sizeof target)
        return {};
    return ProcFsProcessTable::cleanExecutablePath(QFile::decodeName(QByteArray(target, n)));
}

} // namespace

std::optional<ProcessEntry> ProcFsProcessTable::entryOf(pid_t pid, bool withDisplay,
                                                        const ExecutableFilter &wanted) const
{
    const QString folder = m_procRoot + QLatin1Char('/') + QString::number(pid);
    ProcessEntry entry;
    entry.pid = pid;
    entry.executable = executableOf(folder);
    if (wanted && !wanted(entry.executable))
        return std::nullopt;
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return std::nullopt; // gone meanwhile
    entry.uid = st.st_uid;
    QFile statFile(folder + QStringLiteral("/stat"));
    if (statFile.open(QIODevice::ReadOnly))
        entry.startTime = startTimeIn(statFile.read(4096));
    // Only our own processes' environments can be read, and only those matter here.
    if (withDisplay && !entry.executable.isEmpty()) {
        QFile environ(folder + QStringLiteral("/environ"));
        if (environ.open(QIODevice::ReadOnly))
            entry.display = displayIn(readUpTo(environ, 1 << 20));
    }
    return entry;
}

QList<ProcessEntry> ProcFsProcessTable::processes(const ExecutableFilter &wanted) const
{
    QList<ProcessEntry> out;
    DIR *listing = ::opendir(QFile::encodeName(m_procRoot).constData());
    if (!listing)
        return out;
    while (const dirent *item = ::readdir(listing)) {
        char *end = nullptr;
        const long pid = std::strtol(item->d_name, &end, 10);
        if (end == item->d_name || *end != '\0' || pid <= 0)
            continue;
        if (const std::optional<ProcessEntry> entry = entryOf(pid_t(pid), true, wanted))
            out << *entry;
    }
    ::closedir(listing);
    return out;
}

void ProcFsProcessTable::terminate(const ProcessEntry &entry, int graceMs)
{
    // Held through a pidfd, the process cannot be replaced by another under the same pid.
    const int fd = int(::syscall(SYS_pidfd_open, entry.pid, 0));
    if (fd < 0)
        return; // gone already
    const std::optional<ProcessEntry> now = entryOf(entry.pid, false);
    const auto send = [fd](int signal) {
        return ::syscall(SYS_pidfd_send_signal, fd, signal, nullptr, 0) == 0;
    };
    if (now && !entry.executable.isEmpty() && now->executable == entry.executable
        && entry.startTime != 0 && now->startTime == entry.startTime && send(SIGTERM)) {
        // The pidfd turns readable once the process has exited, reaped or not.
        pollfd exited{fd, POLLIN, 0};
        QDeadlineTimer deadline(graceMs);
        int ready = 0;
        do {
            ready = ::poll(&exited, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        } while (ready < 0 && errno == EINTR);
        if (ready == 0)
            send(SIGKILL);
    }
    ::close(fd);
}

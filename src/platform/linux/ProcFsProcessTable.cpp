#include "platform/linux/ProcFsProcessTable.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
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

QList<ProcessEntry> ProcFsProcessTable::processes() const
{
    QList<ProcessEntry> out;
    const QDir root(m_procRoot);
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool isPid = false;
        const int pid = name.toInt(&isPid);
        if (!isPid || pid <= 0)
            continue;
        const QString folder = root.filePath(name);
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
            continue; // gone meanwhile
        ProcessEntry entry;
        entry.pid = pid;
        entry.uid = st.st_uid;
        entry.executable
            = cleanExecutablePath(QFileInfo(folder + QStringLiteral("/exe")).symLinkTarget());
        // Only our own processes' environments can be read, and only those matter here.
        if (!entry.executable.isEmpty()) {
            QFile environ(folder + QStringLiteral("/environ"));
            if (environ.open(QIODevice::ReadOnly))
                entry.display = displayIn(environ.read(1 << 20));
        }
        out << entry;
    }
    return out;
}

void ProcFsProcessTable::terminate(pid_t pid, int graceMs)
{
    if (::kill(pid, SIGTERM) != 0)
        return;
    QDeadlineTimer deadline(graceMs);
    while (!deadline.hasExpired()) {
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            return;
        // A process that has exited but was not yet reaped by its parent still answers kill(0);
        // its state letter in /proc says so.
        QFile stat(m_procRoot + QStringLiteral("/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            const qsizetype close = line.lastIndexOf(')');
            if (close >= 0 && close + 2 < line.size() && line.at(close + 2) == 'Z')
                return;
        }
        QThread::msleep(20);
    }
    ::kill(pid, SIGKILL);
}

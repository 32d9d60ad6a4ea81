#include "app/SingleCopy.h"

#include "platform/SystemLog.h"

#include <QFileInfo>

namespace SingleCopy {

namespace {

QString serverOf(const QString &display)
{
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
    return colon >= 0 && dot > colon ? display.left(dot) : display;
}

// The executable alone: ours, or another build by its name. An unreadable one is not.
bool couldBeOurs(const QString &executable, const QString &ownExecutable)
{
    if (executable.isEmpty())
        return false;
    if (!ownExecutable.isEmpty() && executable == ownExecutable)
        return true;
    return QFileInfo(executable).fileName() == QLatin1String("Vantle");
}

} // namespace

bool isAnotherCopy(const ProcessEntry &candidate, pid_t ownPid, uid_t ownUid,
                   const QString &ownExecutable, const QString &ownDisplay)
{
    if (candidate.pid == ownPid || candidate.uid != ownUid)
        return false;
    if (serverOf(candidate.display) != serverOf(ownDisplay))
        return false;
    return couldBeOurs(candidate.executable, ownExecutable);
}

QList<ProcessEntry> otherCopies(const ProcessTable &table)
{
    const pid_t pid = table.ownPid();
    const uid_t uid = table.ownUid();
    const QString exe = table.ownExecutable();
    const QString display = table.ownDisplay();
    // Only the executables that could be ours are looked at closer.
    const auto ours = [&exe](const QString &executable) { return couldBeOurs(executable, exe); };
    QList<ProcessEntry> out;
    for (const ProcessEntry &p : table.processes(ours)) {
        if (isAnotherCopy(p, pid, uid, exe, display))
            out << p;
    }
    return out;
}

void endOtherCopies(ProcessTable &table, SystemLog &log)
{
    endCopies(otherCopies(table), table, log);
}

void endCopies(const QList<ProcessEntry> &copies, ProcessTable &table, SystemLog &log)
{
    for (const ProcessEntry &copy : copies) {
        log.log(QStringLiteral("ending another running copy at %1").arg(copy.executable));
        table.terminate(copy, 1000);
    }
}

} // namespace SingleCopy

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

} // namespace

bool isAnotherCopy(const ProcessEntry &candidate, pid_t ownPid, uid_t ownUid,
                   const QString &ownExecutable, const QString &ownDisplay)
{
    if (candidate.pid == ownPid || candidate.uid != ownUid || candidate.executable.isEmpty())
        return false;
    if (serverOf(candidate.display) != serverOf(ownDisplay))
        return false;
    if (!ownExecutable.isEmpty() && candidate.executable == ownExecutable)
        return true;
    return QFileInfo(candidate.executable).fileName() == QLatin1String("Vantle");
}

QList<ProcessEntry> otherCopies(const ProcessTable &table)
{
    const pid_t pid = table.ownPid();
    const uid_t uid = table.ownUid();
    const QString exe = table.ownExecutable();
    const QString display = table.ownDisplay();
    // Only the executables that could be ours are looked at closer.
    const auto couldBeOurs = [&exe](const QString &executable) {
        return !executable.isEmpty()
            && (executable == exe || QFileInfo(executable).fileName() == QLatin1String("Vantle"));
    };
    QList<ProcessEntry> out;
    for (const ProcessEntry &p : table.processes(couldBeOurs)) {
        if (isAnotherCopy(p, pid, uid, exe, display))
            out << p;
    }
    return out;
}

void endOtherCopies(ProcessTable &table, SystemLog &log)
{
    for (const ProcessEntry &copy : otherCopies(table)) {
        log.log(QStringLiteral("ending another running copy at %1").arg(copy.executable));
        table.terminate(copy, 1000);
    }
}

} // namespace SingleCopy

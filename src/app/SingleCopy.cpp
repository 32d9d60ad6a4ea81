#include "app/SingleCopy.h"

#include "platform/SystemLog.h"

#include <QFileInfo>

namespace SingleCopy {

bool isAnotherCopy(const ProcessEntry &candidate, pid_t ownPid, uid_t ownUid,
                   const QString &ownExecutable)
{
    if (candidate.pid == ownPid || candidate.uid != ownUid || candidate.executable.isEmpty())
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
    QList<ProcessEntry> out;
    for (const ProcessEntry &p : table.processes()) {
        if (isAnotherCopy(p, pid, uid, exe))
            out << p;
    }
    return out;
}

void endOtherCopies(ProcessTable &table, SystemLog &log)
{
    for (const ProcessEntry &copy : otherCopies(table)) {
        log.log(QStringLiteral("ending another running copy at %1").arg(copy.executable));
        table.terminate(copy.pid, 1000);
    }
}

} // namespace SingleCopy

#pragma once

#include "platform/ProcessTable.h"

// The processes under /proc.
class ProcFsProcessTable final : public ProcessTable
{
public:
    explicit ProcFsProcessTable(QString procRoot = QStringLiteral("/proc"));

    pid_t ownPid() const override;
    uid_t ownUid() const override;
    QString ownExecutable() const override;
    QString ownDisplay() const override;
    QList<ProcessEntry> processes() const override;
    void terminate(pid_t pid, int graceMs) override;

    // readlink of /proc/PID/exe, less the " (deleted)" the kernel appends once the file was
    // replaced (as every rebuild does), so a rebuilt copy still names its path.
    static QString cleanExecutablePath(const QString &link);

    // The value of DISPLAY in the NUL-separated contents of /proc/PID/environ; empty when unset.
    static QString displayIn(const QByteArray &environ);

private:
    QString m_procRoot;
};

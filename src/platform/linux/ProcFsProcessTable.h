#pragma once

#include "platform/ProcessTable.h"

#include <optional>

// The processes under /proc.
class ProcFsProcessTable final : public ProcessTable
{
public:
    explicit ProcFsProcessTable(QString procRoot = QStringLiteral("/proc"));

    pid_t ownPid() const override;
    uid_t ownUid() const override;
    QString ownExecutable() const override;
    QString ownDisplay() const override;
    QList<ProcessEntry> processes(const ExecutableFilter &wanted = {}) const override;
    void terminate(const ProcessEntry &entry, int graceMs) override;

    // readlink of /proc/PID/exe, less the " (deleted)" the kernel appends once the file was
    // replaced (as every rebuild does), so a rebuilt copy still names its path.
    static QString cleanExecutablePath(const QString &link);

    // The value of DISPLAY in the NUL-separated contents of /proc/PID/environ; empty when unset.
    static QString displayIn(const QByteArray &environ);

    // The start time (field 22) of a /proc/PID/stat line; 0 when it cannot be read. The command
    // name in parentheses may hold anything, spaces and parentheses too, so fields are counted
    // from its last ')'.
    static quint64 startTimeIn(const QByteArray &stat);

private:
    // The process `pid` as now seen, its display left out unless asked for; nothing when it is
    // gone or `wanted` turns its executable down.
    std::optional<ProcessEntry> entryOf(pid_t pid, bool withDisplay,
                                        const ExecutableFilter &wanted = {}) const;

    QString m_procRoot;
};

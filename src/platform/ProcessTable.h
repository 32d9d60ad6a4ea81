#pragma once

#include <QList>
#include <QString>

#include <functional>

#include <sys/types.h>

// One process as the single-copy rule sees it.
struct ProcessEntry
{
    pid_t pid = 0;
    uid_t uid = 0;
    // Absolute path of the running executable; empty when it cannot be read.
    QString executable;
    // The X display the process was started for (its DISPLAY); empty when unset or unreadable.
    QString display;
    // When it started, in clock ticks after boot; with the pid, this names one process for good
    // (a pid is used again once its process has gone). 0 when unreadable.
    quint64 startTime = 0;
};

// The processes of this machine and the means to end one.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;

    virtual pid_t ownPid() const = 0;
    virtual uid_t ownUid() const = 0;
    virtual QString ownExecutable() const = 0;
    virtual QString ownDisplay() const = 0;
    // Whether a process running the executable at this path (empty when unreadable) is wanted.
    using ExecutableFilter = std::function<bool(const QString &executable)>;
    // The processes whose executable `wanted` accepts, or all of them without a filter. The rest
    // of an entry is read only for the processes kept: a desktop runs hundreds.
    virtual QList<ProcessEntry> processes(const ExecutableFilter &wanted = {}) const = 0;
    // Asks the process of `entry` to end, waits up to `graceMs` for it to go, then kills it.
    // Nothing is signalled unless the pid still names that very process (the same executable,
    // started at the same time), and it is held from that check to the last signal, so a pid
    // used again meanwhile by another process never gets one.
    virtual void terminate(const ProcessEntry &entry, int graceMs) = 0;
};

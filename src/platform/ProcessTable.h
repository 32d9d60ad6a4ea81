#pragma once

#include <QList>
#include <QString>

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
    virtual QList<ProcessEntry> processes() const = 0;
    // Asks the process to end, waits up to `graceMs` for it to go, then kills it.
    virtual void terminate(pid_t pid, int graceMs) = 0;
};

#pragma once

#include "platform/ProcessTable.h"

// A process list set by the test; `terminate` only records.
class FakeProcessTable final : public ProcessTable
{
public:
    pid_t pid = 100;
    uid_t uid = 1000;
    QString executable = QStringLiteral("/opt/kaidro/bin/Vantle");
    QString display = QStringLiteral(":0");
    QList<ProcessEntry> list;
    QList<pid_t> terminated;

    pid_t ownPid() const override { return pid; }
    uid_t ownUid() const override { return uid; }
    QString ownExecutable() const override { return executable; }
    QString ownDisplay() const override { return display; }
    QList<ProcessEntry> processes(const ExecutableFilter &wanted = {}) const override
    {
        QList<ProcessEntry> out;
        for (const ProcessEntry &e : list) {
            if (!wanted || wanted(e.executable))
                out << e;
        }
        return out;
    }
    void terminate(const ProcessEntry &e, int) override { terminated << e.pid; }
};

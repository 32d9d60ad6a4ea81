#pragma once

#include "platform/ToolRunner.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>

#include <functional>

// Answers each run with the test's handler and records the calls, guarded for pool threads.
class FakeToolRunner final : public ToolRunner
{
public:
    struct Call
    {
        QString program;
        QStringList arguments;
        bool detached = false;
        int limitMs = 0;
    };

    std::function<ToolResult(const QString &, const QStringList &)> handler;
    // Runs that can be stopped last until they are (at most 5 s), as a long program would.
    bool holdStoppableRuns = false;
    mutable QList<Call> calls;

    ToolResult run(const QString &program, const QStringList &arguments, int limitMs,
                   const ToolStop *stop = nullptr) const override
    {
        record({program, arguments, false, limitMs});
        for (QDeadlineTimer cap(5000); holdStoppableRuns && stop && !cap.hasExpired();) {
            if (stop->requested())
                return {true, false, -1, {}, {}, true};
            QThread::msleep(5);
        }
        return handler ? handler(program, arguments) : ToolResult{};
    }
    bool startDetached(const QString &program, const QStringList &arguments) const override
    {
        record({program, arguments, true});
        return true;
    }

private:
    void record(Call call) const
    {
        QMutexLocker lock(&m_mutex);
        calls.append(std::move(call));
    }
    mutable QMutex m_mutex;
};

// A run that exited with `status` after writing `out`.
inline ToolResult exited(int status, const QByteArray &out = {})
{
    return {true, false, status, out, {}};
}

#pragma once

#include "platform/ToolRunner.h"

#include <QMutex>

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
    };

    std::function<ToolResult(const QString &, const QStringList &)> handler;
    mutable QList<Call> calls;

    ToolResult run(const QString &program, const QStringList &arguments, int) const override
    {
        record({program, arguments, false});
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

#pragma once

#include "platform/ToolRunner.h"

#include <QList>

#include <functional>

// Answers each run with what the test's handler returns and records the calls.
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
        calls.append({program, arguments, false});
        return handler ? handler(program, arguments) : ToolResult{};
    }
    bool startDetached(const QString &program, const QStringList &arguments) const override
    {
        calls.append({program, arguments, true});
        return true;
    }
};

#pragma once

#include "platform/ToolRunner.h"

// Runs programs with QProcess in the calling thread.
class ProcessToolRunner final : public ToolRunner
{
public:
    ToolResult run(const QString &program, const QStringList &arguments,
                   int timeLimitMs) const override;
    bool startDetached(const QString &program, const QStringList &arguments) const override;
};

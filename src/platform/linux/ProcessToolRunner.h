#pragma once

#include "platform/ToolRunner.h"

// Runs programs with QProcess in the calling thread, each in a session (and so a process group)
// of its own.
class ProcessToolRunner final : public ToolRunner
{
public:
    // How long an ended program's group has between SIGTERM and SIGKILL.
    static constexpr int kGraceMs = 1000;

    ToolResult run(const QString &program, const QStringList &arguments, int timeLimitMs,
                   const ToolStop *stop = nullptr) const override;
    bool startDetached(const QString &program, const QStringList &arguments) const override;
};

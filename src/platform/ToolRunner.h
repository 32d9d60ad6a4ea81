#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ToolResult
{
    bool started = false; // false when the program could not be started at all
    bool timedOut = false; // the time limit ran out and the program was killed
    int exitStatus = -1; // the exit code of a normal exit, -1 otherwise
    QByteArray standardOutput;
    QByteArray standardError;

    bool succeeded() const { return started && !timedOut && exitStatus == 0; }
};

// Runs command-line programs. `run` blocks its caller until the program ends or the limit runs
// out, so it is called from the thread pool, never from the main thread.
class ToolRunner
{
public:
    virtual ~ToolRunner() = default;

    // Output beyond this many bytes per stream is dropped: a runaway tool cannot fill memory.
    static constexpr qsizetype kOutputLimit = 4 * 1024 * 1024;

    virtual ToolResult run(const QString &program, const QStringList &arguments,
                           int timeLimitMs) const = 0;
    // Starts a program that outlives us; true when it started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) const = 0;
};

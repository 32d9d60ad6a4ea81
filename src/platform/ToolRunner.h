#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

struct ToolResult
{
    bool started = false; // false when the program could not be started at all
    bool timedOut = false; // the time limit ran out and the program was killed
    int exitStatus = -1; // the exit code of a normal exit, -1 otherwise
    QByteArray standardOutput;
    QByteArray standardError;
    bool stopped = false; // another thread asked for the run to end, and it was ended

    bool succeeded() const { return started && !timedOut && !stopped && exitStatus == 0; }
};

// Lets another thread end a run while `ToolRunner::run` waits for it.
class ToolStop final
{
public:
    void request() { m_requested.store(true, std::memory_order_relaxed); }
    bool requested() const { return m_requested.load(std::memory_order_relaxed); }

private:
    std::atomic_bool m_requested{false};
};

// Runs command-line programs. `run` blocks its caller until the program ends, the limit runs out
// or `stop` is requested, so it is called from the thread pool, never from the main thread. Each
// run is a process group of its own: a program that is ended (limit or stop) goes with every
// process it started, SIGTERM first and SIGKILL a moment later.
class ToolRunner
{
public:
    virtual ~ToolRunner() = default;

    // Output beyond this many bytes per stream is dropped: a runaway tool cannot fill memory.
    static constexpr qsizetype kOutputLimit = 4 * 1024 * 1024;
    // A time limit of this waits for the program however long it takes.
    static constexpr int kNoLimit = -1;

    virtual ToolResult run(const QString &program, const QStringList &arguments, int timeLimitMs,
                           const ToolStop *stop = nullptr) const = 0;
    // Starts a program that outlives us; true when it started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) const = 0;
};

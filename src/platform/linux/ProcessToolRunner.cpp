#include "platform/linux/ProcessToolRunner.h"

#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// A program that has not started by then (without a limit of its own) is given up.
constexpr int kStartLimitMs = 10000;

void appendCapped(QByteArray &into, const QByteArray &more)
{
    const qsizetype room = ToolRunner::kOutputLimit - into.size();
    if (room > 0)
        into.append(more.left(room));
}

bool groupAlive(pid_t group)
{
    return ::kill(-group, 0) == 0 || errno == EPERM;
}

// Ends the program's whole group: SIGTERM, then SIGKILL to whatever is left after the grace.
// The group keeps its number while any member lives, even once the program itself was reaped.
void endGroup(QProcess &process, int graceMs)
{
    const pid_t group = pid_t(process.processId());
    if (group <= 0)
        return;
    ::kill(-group, SIGTERM);
    QDeadlineTimer grace(graceMs);
    while (!grace.hasExpired()) {
        if (process.state() != QProcess::NotRunning)
            process.waitForFinished(20);
        else if (groupAlive(group))
            QThread::msleep(20);
        else
            break;
    }
    if (groupAlive(group))
        ::kill(-group, SIGKILL);
    process.waitForFinished(1000);
}

} // namespace

ToolResult ProcessToolRunner::run(const QString &program, const QStringList &arguments,
                                  int timeLimitMs, const ToolStop *stop) const
{
    ToolResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // A session of its own makes the program the leader of a new process group, which takes in
    // everything it starts (a script's `sleep 600 &`), so ending it ends them too.
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(QIODevice::ReadOnly);
    const int startLimit = timeLimitMs < 0 ? kStartLimitMs : std::max(timeLimitMs, 1);
    if (!process.waitForStarted(startLimit)) {
        process.kill();
        process.waitForFinished(1000);
        qCDebug(lcTools) << program << "did not start";
        return result;
    }
    result.started = true;

    // Read as we go so a chatty program never blocks on a full pipe, and drop what is over
    // the limit.
    QDeadlineTimer deadline(timeLimitMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                            : QDeadlineTimer(timeLimitMs));
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = deadline.remainingTime();
        const bool stopNow = stop && stop->requested();
        if (left == 0 || stopNow) {
            (stopNow ? result.stopped : result.timedOut) = true;
            endGroup(process, kGraceMs);
            break;
        }
        process.waitForReadyRead(int(std::min<qint64>(left < 0 ? 100 : left, 100)));
        appendCapped(result.standardOutput, process.readAllStandardOutput());
        appendCapped(result.standardError, process.readAllStandardError());
    }
    appendCapped(result.standardOutput, process.readAllStandardOutput());
    appendCapped(result.standardError, process.readAllStandardError());
    if (!result.timedOut && !result.stopped && process.exitStatus() == QProcess::NormalExit)
        result.exitStatus = process.exitCode();
    // The arguments stay out: they may name what the user asked for.
    qCDebug(lcTools) << "ran" << program << "with" << arguments.size() << "arguments:"
                     << (result.timedOut      ? "timed out"
                             : result.stopped ? "stopped"
                                              : "exit status")
                     << result.exitStatus;
    return result;
}

bool ProcessToolRunner::startDetached(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const bool started = process.startDetached();
    qCDebug(lcTools) << program << (started ? "started detached" : "did not start");
    return started;
}

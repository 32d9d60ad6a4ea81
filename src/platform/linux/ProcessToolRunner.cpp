#include "platform/linux/ProcessToolRunner.h"

#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace {
void appendCapped(QByteArray &into, const QByteArray &more)
{
    const qsizetype room = ToolRunner::kOutputLimit - into.size();
    if (room > 0)
        into.append(more.left(room));
}
} // namespace

ToolResult ProcessToolRunner::run(const QString &program, const QStringList &arguments,
                                  int timeLimitMs) const
{
    ToolResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(std::max(timeLimitMs, 1))) {
        process.kill();
        process.waitForFinished(1000);
        qCDebug(lcTools) << program << "did not start";
        return result;
    }
    result.started = true;

    // Read as we go so a chatty program never blocks on a full pipe, and drop what is over
    // the limit.
    QDeadlineTimer deadline(timeLimitMs);
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = deadline.remainingTime();
        if (left == 0) {
            result.timedOut = true;
            process.kill();
            process.waitForFinished(1000);
            break;
        }
        process.waitForReadyRead(int(std::min<qint64>(left < 0 ? 100 : left, 100)));
        appendCapped(result.standardOutput, process.readAllStandardOutput());
        appendCapped(result.standardError, process.readAllStandardError());
    }
    appendCapped(result.standardOutput, process.readAllStandardOutput());
    appendCapped(result.standardError, process.readAllStandardError());
    if (!result.timedOut && process.exitStatus() == QProcess::NormalExit)
        result.exitStatus = process.exitCode();
    // The arguments stay out: they may name what the user asked for.
    qCDebug(lcTools) << "ran" << program << "with" << arguments.size()
                     << "arguments:" << (result.timedOut ? "timed out" : "exit status")
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

#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/ProcessToolRunner.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

TEST(ProcessToolRunner, CapturesOutputAndExitStatus)
{
    ProcessToolRunner runner;
    const ToolResult ok = runner.run(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2; exit 3")}, 5000);
    EXPECT_TRUE(ok.started);
    EXPECT_FALSE(ok.timedOut);
    EXPECT_EQ(ok.exitStatus, 3);
    EXPECT_FALSE(ok.succeeded());
    EXPECT_EQ(ok.standardOutput, QByteArray("out\n"));
    EXPECT_EQ(ok.standardError, QByteArray("err\n"));
}

TEST(ProcessToolRunner, MissingProgramIsNotStarted)
{
    const ToolResult r
        = ProcessToolRunner().run(QStringLiteral("/nonexistent/vantle-tool"), {}, 2000);
    EXPECT_FALSE(r.started);
    EXPECT_FALSE(r.succeeded());
}

TEST(ProcessToolRunner, TimeLimitKillsAHangingProgram)
{
    const ToolResult r
        = ProcessToolRunner().run(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, 300);
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.succeeded());
}

TEST(ProcessToolRunner, RunawayOutputIsCapped)
{
    // 8 MiB of output: more than the cap, and more than a pipe holds, so the program would
    // block forever if the runner did not read while it runs.
    const ToolResult r = ProcessToolRunner().run(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("head -c 8388608 /dev/zero; echo done >&2")}, 20000);
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.standardOutput.size(), ToolRunner::kOutputLimit);
    EXPECT_EQ(r.standardError, QByteArray("done\n"));
}

TEST(ProcFsProcessTable, CleansDeletedSuffixFromRebuiltExecutables)
{
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath(QStringLiteral("/b/Vantle (deleted)")),
              QStringLiteral("/b/Vantle"));
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath(QStringLiteral("/b/Vantle")),
              QStringLiteral("/b/Vantle"));
}

TEST(ProcFsProcessTable, ListsOwnProcessWithExecutableAndUid)
{
    ProcFsProcessTable table;
    bool found = false;
    for (const ProcessEntry &p : table.processes()) {
        if (p.pid == ::getpid()) {
            found = true;
            EXPECT_EQ(p.uid, ::getuid());
            EXPECT_EQ(p.executable, table.ownExecutable());
        }
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(table.ownExecutable().endsWith(QStringLiteral("platform_tests")));
}

TEST(ProcFsProcessTable, TerminateEndsAProcessThatIgnoresTheRequest)
{
    // A child that ignores SIGTERM: only the kill after the grace period ends it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGTERM, SIG_IGN);
        ::execl("/bin/sleep", "sleep", "30", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::usleep(200 * 1000);
    ProcFsProcessTable table;
    table.terminate(child, 300);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST(ProcFsProcessTable, TerminateReturnsOnceAPoliteProcessHasEnded)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl("/bin/sleep", "sleep", "30", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::usleep(100 * 1000);
    ProcFsProcessTable().terminate(child, 5000);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

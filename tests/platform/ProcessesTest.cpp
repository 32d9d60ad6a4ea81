#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/ProcessToolRunner.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

TEST(ProcessToolRunner, CapturesOutputAndExitStatusAndKillsOrCapsRunaways)
{
    const ToolResult ok
        = ProcessToolRunner().run("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, 5000);
    EXPECT_TRUE(ok.started);
    EXPECT_FALSE(ok.timedOut);
    EXPECT_EQ(ok.exitStatus, 3);
    EXPECT_FALSE(ok.succeeded());
    EXPECT_EQ(ok.standardOutput, QByteArray("out\n"));
    EXPECT_EQ(ok.standardError, QByteArray("err\n"));

    const ToolResult missing = ProcessToolRunner().run("/nonexistent/vantle-tool", {}, 2000);
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(missing.succeeded());

    const ToolResult hanging = ProcessToolRunner().run("/bin/sleep", {"30"}, 300);
    EXPECT_TRUE(hanging.timedOut);
    EXPECT_FALSE(hanging.succeeded());

    // 8 MiB of output: more than the cap, and more than a pipe holds, so the program would
    // block forever if the runner did not read while it runs.
    const ToolResult runaway = ProcessToolRunner().run(
        "/bin/sh", {"-c", "head -c 8388608 /dev/zero; echo done >&2"}, 20000);
    EXPECT_TRUE(runaway.succeeded());
    EXPECT_EQ(runaway.standardOutput.size(), ToolRunner::kOutputLimit);
    EXPECT_EQ(runaway.standardError, QByteArray("done\n"));
}

TEST(ProcFsProcessTable, ListsOwnProcessWithExecutableAndUid)
{
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath("/b/Vantle (deleted)"), "/b/Vantle");
    EXPECT_EQ(ProcFsProcessTable::cleanExecutablePath("/b/Vantle"), "/b/Vantle");
    ProcFsProcessTable table;
    int found = 0;
    for (const ProcessEntry &p : table.processes()) {
        if (p.pid == ::getpid()) {
            ++found;
            EXPECT_EQ(p.uid, ::getuid());
            EXPECT_EQ(p.executable, table.ownExecutable());
        }
    }
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(table.ownExecutable().endsWith("platform_tests"));
}

TEST(ProcFsProcessTable, TerminateEndsPoliteProcessesAndKillsThoseThatIgnoreTheRequest)
{
    // A child that ignores SIGTERM ends only by the kill after the grace period.
    for (const auto &[ignores, grace, signal] :
         {std::tuple{false, 5000, SIGTERM}, {true, 300, SIGKILL}}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (ignores)
                ::signal(SIGTERM, SIG_IGN);
            ::execl("/bin/sleep", "sleep", "30", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        // Past the exec, the child runs sleep with its signal disposition in place.
        const QString exe = QStringLiteral("/proc/%1/exe").arg(child);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QFileInfo(exe).canonicalFilePath().endsWith("/sleep"); }, 5000));
        ProcFsProcessTable().terminate(child, grace);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);
    }
}

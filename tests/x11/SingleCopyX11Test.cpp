#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace {

void startVantle(QProcess &p)
{
    p.setProgram(QStringLiteral(KAIDRO_VANTLE_PATH));
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
}

// Lets a freshly started copy get through its start-up, so the two starts do not race.
void settle(QProcess &p)
{
    QDeadlineTimer deadline(1500);
    while (!deadline.hasExpired() && p.state() == QProcess::Running)
        p.waitForFinished(100);
}

} // namespace

TEST(SingleCopyX11, SecondStartEndsTheFirstAndEachExitsCleanly)
{
    QProcess first;
    startVantle(first);
    settle(first);
    ASSERT_EQ(first.state(), QProcess::Running) << "Vantle did not stay running";

    QProcess second;
    startVantle(second);
    EXPECT_TRUE(first.waitForFinished(2000)) << "the first copy is still running";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    settle(second);
    ASSERT_EQ(second.state(), QProcess::Running) << "the newest copy must survive";
    second.terminate(); // SIGTERM
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
}

TEST(SingleCopyX11, RefusesToStartWithoutADisplayAndSaysWhy)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.setProgram(QStringLiteral(KAIDRO_VANTLE_PATH));
    p.start();
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("no X11 display"));
}

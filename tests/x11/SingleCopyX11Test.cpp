#include "X11Probe.h"

#include <gtest/gtest.h>

using namespace X11Probe;

TEST(SingleCopyX11, SecondStartEndsTheFirstAndEachExitsCleanly)
{
    // Each copy is through its start-up once its HUD is on screen, so the two starts do not race.
    const QString hud = QStringLiteral("Kaidro playerStatus");
    Vantle first;
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(waitForWindow(hud)) << "the first copy never showed its HUD";
    ASSERT_EQ(first.process().state(), QProcess::Running) << "Vantle did not stay running";

    Vantle second;
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(first.process().waitForFinished(5000)) << "the first copy is still running";
    EXPECT_EQ(first.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process().exitCode(), 0);

    ASSERT_TRUE(waitForWindow(hud)) << "the newest copy never showed its HUD";
    ASSERT_EQ(second.process().state(), QProcess::Running) << "the newest copy must survive";
    ASSERT_TRUE(second.stop()); // SIGTERM
    EXPECT_EQ(second.process().exitCode(), 0);
}

TEST(SingleCopyX11, RefusesToStartWithoutADisplayAndSaysWhy)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KAIDRO_VANTLE_PATH), QStringList());
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("no X11 display"));
}

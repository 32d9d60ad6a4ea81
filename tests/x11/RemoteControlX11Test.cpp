#include "X11Probe.h"
#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QProcess>

// The real program driven only by its commands, over a session bus of the test's own.
using namespace X11Probe;

namespace {

struct Outcome
{
    int status = -1;
    QString errors;
};

Outcome command(const QProcessEnvironment &environment, const QStringList &arguments)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(KAIDRO_VANTLE_PATH), arguments);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

const QString kRail = QStringLiteral("Kaidro menuRail");
const QString kStatus = QStringLiteral("Kaidro playerStatus");
const QString kBar = QStringLiteral("Kaidro commandBar");

} // namespace

TEST(RemoteControlX11, CommandsReachTheRunningCopyAndQuitEndsItCleanly)
{
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true, "Vantle.readoutIdle": 0})"));

    // Nobody is running yet: one line, status 1, and nothing started by the call.
    const Outcome none = command(env, {"menu"});
    EXPECT_EQ(none.status, 1);
    // One line of ours; Qt may add warnings of its own on a loaded machine.
    EXPECT_EQ(none.errors.count("Vantle: "), 1) << none.errors.toStdString();
    EXPECT_TRUE(none.errors.contains("Kaidro is not running")) << none.errors.toStdString();
    EXPECT_FALSE(isViewable(kStatus));

    Vantle vantle(env);
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(waitForWindow(kStatus)) << "the HUD never appeared";
    // The copy owns its name once it has started; until then a command finds nobody.
    ASSERT_TRUE(waitUntil([&] { return command(env, {"menu"}).status == 0; }));
    EXPECT_TRUE(waitForWindow(kRail, 5000)) << "the menu did not open";
    EXPECT_EQ(command(env, {"menu"}).status, 0);
    EXPECT_TRUE(waitUntil([] { return !isViewable(kRail); }, 5000)) << "the menu stayed open";

    EXPECT_EQ(command(env, {"hud"}).status, 0);
    EXPECT_TRUE(waitUntil([] { return !isViewable(kStatus); }, 5000)) << "the HUD stayed";
    EXPECT_EQ(command(env, {"hud"}).status, 0);
    EXPECT_TRUE(waitForWindow(kStatus, 5000)) << "the HUD did not come back";

    EXPECT_EQ(command(env, {"command-bar"}).status, 0);
    const auto focused = [] { return run("xdotool", {"getwindowfocus", "getwindowname"}); };
    EXPECT_TRUE(waitUntil([&] { return focused() == kBar + '\n'; }, 5000))
        << "the command bar did not open with the focus";
    // The readouts raise themselves every two seconds, but never above the bar.
    QTest::qWait(2500);
    EXPECT_LT(stackingRank(kBar), stackingRank(kStatus));
    EXPECT_EQ(command(env, {"command-bar"}).status, 0);
    EXPECT_TRUE(waitUntil([] { return !isViewable(kBar); }, 5000));

    // Unknown commands never reach the copy; the usage goes with them.
    const Outcome unknown = command(env, {"dance"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.errors.contains("Usage: Vantle")) << unknown.errors.toStdString();

    EXPECT_EQ(command(env, {"quit"}).status, 0);
    ASSERT_TRUE(vantle.process().waitForFinished(5000)) << "quit did not end the copy";
    EXPECT_EQ(std::pair(vantle.process().exitStatus(), vantle.process().exitCode()),
              std::pair(QProcess::NormalExit, 0));
    EXPECT_EQ(command(env, {"hud"}).status, 1);
}

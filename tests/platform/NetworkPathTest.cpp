#include "platform/linux/LinuxNetworkPath.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sched.h>

namespace {

// Runs `ip` with the words of `line` inside this process's network namespace.
bool ip(const char *line)
{
    QProcess p;
    p.start(QStringLiteral("ip"), QString::fromLatin1(line).split(QLatin1Char(' ')));
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

// The kernel's link and route news, in a network namespace of the test's own.
TEST(LinuxNetworkPath, FollowsLinksAndRoutesAsTheKernelChangesThem)
{
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        GTEST_SKIP() << "needs ip (iproute2)";
    if (::unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "cannot make a network namespace here (needs root or user namespaces); "
                        "the parsing is covered by platform_tests";
    LinuxNetworkPath path;
    EXPECT_FALSE(path.path().satisfied);
    EXPECT_FALSE(path.tunnelUp());

    QSignalSpy changed(&path, &NetworkPath::pathChanged);
    ASSERT_TRUE(ip("link add k0 type veth peer name k1"));
    ASSERT_TRUE(ip("link set k1 up"));
    ASSERT_TRUE(ip("link set k0 up"));
    ASSERT_TRUE(ip("addr add 10.77.0.2/24 dev k0"));
    ASSERT_TRUE(ip("route add default via 10.77.0.1 dev k0"));
    QTRY_VERIFY_WITH_TIMEOUT(path.path().satisfied, 5000);
    EXPECT_TRUE(path.path().usesWired);
    EXPECT_FALSE(path.path().usesWifi);
    EXPECT_FALSE(path.wifiRssi());
    EXPECT_GE(changed.count(), 1);

    // A tunnel with only an IPv6 address is not a VPN; with an IPv4 address it is.
    ASSERT_TRUE(ip("tuntap add mode tun tun9"));
    ASSERT_TRUE(ip("link set tun9 up"));
    ASSERT_TRUE(ip("addr add fd00::9/64 dev tun9"));
    EXPECT_FALSE(path.tunnelUp());
    ASSERT_TRUE(ip("addr add 10.78.0.2/24 dev tun9"));
    EXPECT_TRUE(path.tunnelUp());
    // Asked again with the news read or not, the answer follows the tunnel.
    QTest::qWait(50);
    EXPECT_TRUE(path.tunnelUp());
    ASSERT_TRUE(ip("link set tun9 down"));
    EXPECT_FALSE(path.tunnelUp());
    QTest::qWait(50);
    EXPECT_FALSE(path.tunnelUp());
    ASSERT_TRUE(ip("link set tun9 up"));
    ASSERT_TRUE(ip("addr del 10.78.0.2/24 dev tun9"));
    EXPECT_FALSE(path.tunnelUp());
    ASSERT_TRUE(ip("addr add 10.78.0.3/24 dev tun9"));
    QTest::qWait(50);
    EXPECT_TRUE(path.tunnelUp());

    ASSERT_TRUE(ip("link set k0 down"));
    QTRY_VERIFY_WITH_TIMEOUT(!path.path().satisfied, 5000);
}

#include "X11Probe.h"
#include "support/PrivateSessionBus.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

// The real program on XWayland in a headless weston session, looked at with the X tools.
using namespace X11Probe;

namespace {

struct Weston final
{
    QTemporaryDir runtime;
    QProcess process;
    QString display;

    Weston()
    {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("weston"),
                      {"--backend=headless-backend.so", "--xwayland", "--socket=kaidro-wl",
                       "--width=1440", "--height=900", "--log=" + runtime.filePath("log")});
        if (!process.waitForStarted(5000))
            return;
        // XWayland takes the first free display and says which in the log.
        waitUntil([&] {
            QFile log(runtime.filePath("log"));
            const QRegularExpressionMatch m
                = QRegularExpression(QStringLiteral("xserver listening on display (:\\d+)"))
                      .match(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
            display = m.captured(1);
            return m.hasMatch();
        });
    }
    ~Weston()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
};

} // namespace

TEST(WaylandX11, StartsThroughXWaylandShowsTheHUDAndSaysWhatDoesNotWork)
{
    if (QStandardPaths::findExecutable("weston").isEmpty()
        || QStandardPaths::findExecutable("Xwayland").isEmpty())
        GTEST_SKIP() << "weston and Xwayland are not installed (scripts/setup installs them)";
    Weston weston;
    ASSERT_FALSE(weston.display.isEmpty()) << "weston did not start XWayland";
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true, "Vantle.readoutIdle": 0})"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", weston.display);
    env.insert("WAYLAND_DISPLAY", "kaidro-wl");
    env.insert("XDG_SESSION_TYPE", "wayland");
    // As some desktops set it for every app; Kaidro still needs X11's plugin.
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("XDG_RUNTIME_DIR", weston.runtime.path());
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    // Asked for the native path, a compositor without the layer shell is refused in words.
    QProcess refused;
    refused.setProcessEnvironment(env);
    refused.start(QStringLiteral(KAIDRO_VANTLE_PATH), {"--platform", "wayland"});
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(std::pair(refused.exitStatus(), refused.exitCode()),
              std::pair(QProcess::NormalExit, 1));
    EXPECT_TRUE(refused.readAllStandardError().contains("offers no layer shell"));

    Vantle vantle(env, true);
    ASSERT_TRUE(vantle.started());

    // The X tools this test runs look at XWayland's display until the test ends.
    const ScopedEnv display("DISPLAY", weston.display.toLocal8Bit());
    EXPECT_TRUE(waitForWindow(QStringLiteral("Kaidro playerStatus")))
        << "the HUD never appeared on XWayland";

    // The first check's attention rows reach the log: the session, window control and keys.
    QString log;
    const QStringList expected{
        "setup check: X11 session: This is a Wayland session, so Kaidro runs through XWayland.",
        "setup check: Window control: Off in a Wayland session",
        "setup check: Global shortcuts: In a Wayland session these keys reach Kaidro only while "
        "an XWayland window has the focus. Instead, bind Vantle hud"};
    EXPECT_TRUE(waitUntil([&] {
        log += QString::fromUtf8(vantle.process().readAllStandardOutput());
        return std::ranges::all_of(expected,
                                   [&](const QString &line) { return log.contains(line); });
    })) << log.toStdString();

    // The commands to bind work there as anywhere.
    QProcess menu;
    menu.setProcessEnvironment(env);
    menu.start(QStringLiteral(KAIDRO_VANTLE_PATH), {"menu"});
    ASSERT_TRUE(menu.waitForFinished(10000) && menu.exitCode() == 0);
    EXPECT_TRUE(waitForWindow(QStringLiteral("Kaidro menuRail"), 5000)) << "no menu";
    EXPECT_TRUE(vantle.stop()) << "the program did not end cleanly";
}

#include "X11Probe.h"
#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

// The real program in a Wayland session: weston on its headless backend with XWayland, the
// program on XWayland's display, looked at through the X tools pointed there.
using namespace X11Probe;

namespace {

class Weston final
{
public:
    Weston()
    {
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("DISPLAY"));
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral("weston"),
                        {"--backend=headless-backend.so", "--xwayland", "--socket=kaidro-wl",
                         "--width=1440", "--height=900", "--log=" + m_runtime.filePath("log")});
        if (!m_process.waitForStarted(5000))
            return;
        // XWayland takes the first free display and says which in the log.
        waitUntil([&] {
            QFile log(m_runtime.filePath("log"));
            const QRegularExpressionMatch m
                = QRegularExpression(QStringLiteral("xserver listening on display (:\\d+)"))
                      .match(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
            m_display = m.captured(1);
            return m.hasMatch();
        });
    }
    ~Weston()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString display() const { return m_display; }
    QString runtime() const { return m_runtime.path(); }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_display;
};

// Points the X tools this test runs at another display while it lives.
class ToolsOn final
{
public:
    explicit ToolsOn(const QString &display)
        : m_saved(qgetenv("DISPLAY"))
    {
        qputenv("DISPLAY", display.toLocal8Bit());
    }
    ~ToolsOn() { qputenv("DISPLAY", m_saved); }

private:
    QByteArray m_saved;
};

} // namespace

TEST(WaylandX11, StartsThroughXWaylandShowsTheHUDAndSaysWhatDoesNotWork)
{
    if (QStandardPaths::findExecutable("weston").isEmpty()
        || QStandardPaths::findExecutable("Xwayland").isEmpty())
        GTEST_SKIP() << "weston and Xwayland are not installed (scripts/setup installs them)";
    Weston weston;
    ASSERT_FALSE(weston.display().isEmpty()) << "weston did not start XWayland";
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    ASSERT_TRUE(writeDefaults(R"({"Vantle.setupSeen": true, "Vantle.readoutIdle": 0})"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", weston.display());
    env.insert("WAYLAND_DISPLAY", "kaidro-wl");
    env.insert("XDG_SESSION_TYPE", "wayland");
    env.insert("XDG_RUNTIME_DIR", weston.runtime());
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    Vantle vantle(env, true);
    ASSERT_TRUE(vantle.started());

    const ToolsOn tools(weston.display());
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
    ASSERT_TRUE(menu.waitForFinished(10000));
    EXPECT_EQ(menu.exitCode(), 0);
    EXPECT_TRUE(waitForWindow(QStringLiteral("Kaidro menuRail"), 5000)) << "no menu";
    EXPECT_TRUE(vantle.stop()) << "the program did not end cleanly";
}

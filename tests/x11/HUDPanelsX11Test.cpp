#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "platform/Geometry.h"

#include "X11Probe.h"
#include "fakes/FakeUserDefaults.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QWidget>

using enum HUDWidgetID;
using namespace X11Probe;

namespace {

class ClickCatcher final : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

class HUDPanelsX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Readouts always on, so the HUD stays while the test looks at it.
        ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.setupSeen": true})"));
        vantle.setProgram(QStringLiteral(KAIDRO_VANTLE_PATH));
        vantle.setProcessChannelMode(QProcess::ForwardedChannels);
        vantle.start();
        ASSERT_TRUE(vantle.waitForStarted(5000));
    }
    void TearDown() override
    {
        vantle.terminate();
        vantle.waitForFinished(5000);
    }
    QProcess vantle;
};

} // namespace

TEST_F(HUDPanelsX11, ReadoutPanelsSitWhereTheLayoutSaysAndLetClicksThrough)
{
    const auto hp = waitForWindow(QStringLiteral("Kaidro playerStatus"), 8000);
    ASSERT_TRUE(hp) << "the HP bar panel never appeared";
    // Give the entrance slide time to end.
    QThread::msleep(600);

    QScreen *screen = QGuiApplication::primaryScreen();
    const double h = screen->geometry().height();
    const ScreenInfo info{screen->name(), YUp::flip(QRectF(screen->geometry()), h),
                          YUp::flip(QRectF(screen->availableGeometry()), h)};
    FakeUserDefaults noOffsets;
    HUDLayoutStore store(noOffsets);
    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader}) {
        const QString name = QStringLiteral("Kaidro ") + HUDWidget::rawValue(id);
        const auto g = windowGeometry(name);
        ASSERT_TRUE(g) << name.toStdString();
        const WidgetSpec &spec = HUDLayout::spec(id);
        const QRectF expected = YUp::flip(
            QRectF(HUDLayout::origin(spec, info, store), HUDLayout::scaledSize(spec, info)), h);
        EXPECT_EQ(*g, expected.toRect()) << name.toStdString();
    }
    // Hidden until a window is gazed at and something plays.
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro targetCursor")));
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro nowPlaying")));

    // A window of ours under the HP bar receives a click aimed at the HP bar.
    ClickCatcher below;
    below.setWindowTitle(QStringLiteral("below"));
    below.setGeometry(hp->adjusted(-40, -40, 40, 40));
    below.show();
    QDeadlineTimer mapped(3000);
    while (!mapped.hasExpired() && !windowGeometry(QStringLiteral("below")))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(hp->center().x()),
                       QString::number(hp->center().y()), QStringLiteral("click"),
                       QStringLiteral("1")});
    QDeadlineTimer clicked(3000);
    while (!clicked.hasExpired() && below.presses == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(below.presses, 1) << "the click did not pass through the HP bar";
}

TEST_F(HUDPanelsX11, PanelsAreToolWindowsOfClassVantleOnAllDesktops)
{
    ASSERT_TRUE(waitForWindow(QStringLiteral("Kaidro partyStrip"), 8000));
    QProcess p;
    p.start(QStringLiteral("xprop"),
            {QStringLiteral("-name"), QStringLiteral("Kaidro partyStrip"),
             QStringLiteral("WM_CLASS"), QStringLiteral("_NET_WM_DESKTOP")});
    ASSERT_TRUE(p.waitForFinished(5000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("\"Vantle\""))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("4294967295"))) << out.toStdString();
}

namespace {
// The panel's opacity as the window manager and compositor read it; 1 when unset.
double windowOpacity(const QString &name)
{
    QProcess p;
    p.start(QStringLiteral("xprop"),
            {QStringLiteral("-name"), name, QStringLiteral("_NET_WM_WINDOW_OPACITY")});
    if (!p.waitForFinished(5000))
        return -1;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("= (\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() / 4294967295.0 : 1.0;
}

void moveBy(int dx, int dy)
{
    // Relative moves go through the input devices, as a real mouse does (an absolute move is a
    // warp, which input devices never report).
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                       QString::number(dx), QString::number(dy)});
}

bool waitForOpacity(const QString &name, double target)
{
    QDeadlineTimer deadline(4000);
    while (!deadline.hasExpired()) {
        if (std::abs(windowOpacity(name) - target) < 0.02)
            return true;
        QThread::msleep(100);
    }
    return false;
}
} // namespace

TEST_F(HUDPanelsX11, ReadoutFadesWhileThePointerIsNearAndComesBack)
{
    const QString name = QStringLiteral("Kaidro playerStatus");
    const auto hp = waitForWindow(name, 8000);
    ASSERT_TRUE(hp);
    QThread::msleep(600);
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("600")});
    const QPoint target = hp->center();
    moveBy(target.x() - 900, target.y() - 600);
    EXPECT_TRUE(waitForOpacity(name, 0.1)) << windowOpacity(name);
    moveBy(900 - target.x(), 600 - target.y());
    EXPECT_TRUE(waitForOpacity(name, 1.0)) << windowOpacity(name);
}

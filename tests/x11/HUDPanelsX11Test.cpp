#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "platform/Geometry.h"

#include "X11Probe.h"
#include "fakes/FakeUserDefaults.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

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

// The panel's opacity as the window manager and compositor read it; 1 when unset.
double windowOpacity(const QString &name)
{
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("= (\\d+)"))
              .match(run(QStringLiteral("xprop"), {"-name", name, "_NET_WM_WINDOW_OPACITY"}));
    return m.hasMatch() ? m.captured(1).toDouble() / 4294967295.0 : 1.0;
}

class HUDPanelsX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Readouts always on, so the HUD stays while the test looks at it.
        ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.setupSeen": true})"));
        vantle = std::make_unique<Vantle>();
        ASSERT_TRUE(vantle->started());
    }

    // Where the layout puts panel `id` on the primary screen, in X's top-left coordinates.
    static QRect home(HUDWidgetID id)
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        const double h = screen->geometry().height();
        const ScreenInfo info{screen->name(), YUp::flip(QRectF(screen->geometry()), h),
                              YUp::flip(QRectF(screen->availableGeometry()), h)};
        FakeUserDefaults noOffsets;
        HUDLayoutStore store(noOffsets);
        const WidgetSpec &spec = HUDLayout::spec(id);
        return YUp::flip(
                   QRectF(HUDLayout::origin(spec, info, store), HUDLayout::scaledSize(spec, info)),
                   h)
            .toRect();
    }

    // Waits until the panel has slid in to its place.
    static bool settledHome(HUDWidgetID id, int ms = 8000)
    {
        const QString name = QStringLiteral("Kaidro ") + HUDWidget::rawValue(id);
        return waitUntil([&] { return windowGeometry(name) == home(id); }, ms);
    }

    std::unique_ptr<Vantle> vantle;
};

} // namespace

TEST_F(HUDPanelsX11, ReadoutPanelsSitWhereTheLayoutSaysAndLetClicksThrough)
{
    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader})
        EXPECT_TRUE(settledHome(id)) << HUDWidget::rawValue(id).toStdString();
    // Hidden until a window is gazed at and something plays.
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro targetCursor")));
    EXPECT_FALSE(windowGeometry(QStringLiteral("Kaidro nowPlaying")));

    // A window of ours under the HP bar receives a click aimed at the HP bar.
    const QRect hp = home(playerStatus);
    ClickCatcher below;
    below.setWindowTitle(QStringLiteral("below"));
    below.setGeometry(hp.adjusted(-40, -40, 40, 40));
    below.show();
    ASSERT_TRUE(waitUntil([] { return isViewable(QStringLiteral("below")); }, 3000));
    xdotool(
        QStringLiteral("mousemove --sync %1 %2 click 1").arg(hp.center().x()).arg(hp.center().y()));
    EXPECT_TRUE(waitUntil([&] { return below.presses == 1; }, 3000))
        << "the click did not pass through the HP bar";
}

TEST_F(HUDPanelsX11, PanelsAreToolWindowsOfClassVantleOnAllDesktops)
{
    ASSERT_TRUE(waitForWindow(QStringLiteral("Kaidro partyStrip")));
    const QString out = run(QStringLiteral("xprop"),
                            {"-name", "Kaidro partyStrip", "WM_CLASS", "_NET_WM_DESKTOP"});
    EXPECT_TRUE(out.contains(QStringLiteral("\"Vantle\""))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("4294967295"))) << out.toStdString();
}

TEST_F(HUDPanelsX11, ReadoutFadesWhileThePointerIsNearAndComesBack)
{
    const QString name = QStringLiteral("Kaidro playerStatus");
    ASSERT_TRUE(settledHome(playerStatus));
    // Relative moves go through the input devices, as a real mouse does (an absolute move is a
    // warp, which input devices never report).
    const QPoint away(900, 600), d = home(playerStatus).center() - away;
    xdotool(QStringLiteral("mousemove --sync %1 %2").arg(away.x()).arg(away.y()));
    for (const QPoint step : {d, -d}) {
        xdotool(QStringList{"mousemove_relative", "--", QString::number(step.x()),
                            QString::number(step.y())});
        const double target = step == d ? 0.1 : 1.0;
        EXPECT_TRUE(waitUntil([&] { return std::abs(windowOpacity(name) - target) < 0.02; }, 4000))
            << windowOpacity(name) << " not " << target;
    }
}

#include "app/HotKeyCenter.h"
#include "commandbar/CommandBarController.h"
#include "hud/HUDHotKeys.h"
#include "hud/HUDLayout.h"
#include "platform/Geometry.h"
#include "platform/linux/X11HotKeys.h"

#include "X11Probe.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>

#include <cmath>

// The real program on a scaled desktop (Xft.dpi, as GNOME and KDE set it), beside docks that
// reserve an edge, and the hot keys across keyboard layouts.
using enum HUDWidgetID;
using namespace X11Probe;

static void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

QSize displaySize()
{
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("dimensions:\\s+(\\d+)x(\\d+)"))
              .match(run(QStringLiteral("xdpyinfo"), {}));
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

// The display as the toolkit sees it at `ratio`, less `top` and `bottom` device pixels of docks.
struct Scaled
{
    double ratio;
    ScreenInfo screen;

    Scaled(double r, int top = 0, int bottom = 0)
        : ratio(r)
    {
        const QSizeF size = QSizeF(displaySize()) / r;
        const QRectF visible(0, top / r, size.width(), size.height() - (top + bottom) / r);
        screen = {QString(), QRectF(QPointF(), size), YUp::flip(visible, size.height())};
    }
    // Where a model frame lands on the server: the program's logical window, scaled by Qt.
    QRect onServer(const QRectF &model) const
    {
        const QRect r = YUp::flip(model, screen.frame.height()).toRect();
        return {qRound(r.x() * ratio), qRound(r.y() * ratio), qRound(r.width() * ratio),
                qRound(r.height() * ratio)};
    }
    QRect home(HUDWidgetID id) const
    {
        return onServer(HUDLayout::frame(HUDLayout::spec(id), screen));
    }
};

// Waits until `name` sits within a pixel of `want` (the toolkit rounds each edge on its own).
::testing::AssertionResult at(const QString &name, const QRect &want, int ms = 5000)
{
    const auto got = [&] { return windowGeometry(name).value_or(QRect()); };
    if (waitUntil([&] { return near(got(), want, 1); }, ms))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << name.toStdString() << " at " << ::testing::PrintToString(got()) << ", not "
        << ::testing::PrintToString(want);
}
::testing::AssertionResult panelAt(HUDWidgetID id, const Scaled &s)
{
    return at(QStringLiteral("Kaidro ") + HUDWidget::rawValue(id), s.home(id));
}

void command(const QString &text)
{
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space")
                && waitUntil([] { return isViewable(QStringLiteral("Kaidro commandBar")); }));
    ASSERT_TRUE(xdotool({"type", "--delay", "40", text}));
    QThread::msleep(800); // the listing runs as the bar opens
    ASSERT_TRUE(xdotool("key Return"));
}

// The display's resources with Xft.dpi at `dpi`, as a desktop sets them before the session.
void setDpi(int dpi)
{
    QProcess xrdb;
    xrdb.start(QStringLiteral("xrdb"), {QStringLiteral("-merge")});
    xrdb.write(QStringLiteral("Xft.dpi: %1\n").arg(dpi).toUtf8());
    xrdb.closeWriteChannel();
    ASSERT_TRUE(xrdb.waitForFinished(5000));
}

class DesktopX11 : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.menuIdle": 0, )"
                                  R"("Vantle.setupSeen": true})"));
        writeFile(TestEnvironment::home() + "/.local/share/Vantle/shortcuts/Say hi",
                  "#!/bin/sh\necho hi\n",
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void TearDown() override { run(QStringLiteral("xrdb"), {QStringLiteral("-remove")}); }
};

} // namespace

// Every panel where the layout puts it in the toolkit's logical pixels, above a bottom dock, at
// 100, 125, 150 and 200 %: readouts, the menu cluster, a sub-panel, the command bar, a toast,
// the layout editor and the target cursor over another app's window.
TEST_P(DesktopX11, PanelsSitInTheVisibleFrameAtEveryScale)
{
    setDpi(GetParam());
    const Scaled s(GetParam() / 96.0, 0, 40);
    const QSize size = displaySize();
    const Dock dock({0, size.height() - 40, size.width(), 40}, Dock::bottom, 40);
    xdotool(QStringLiteral("mousemove --sync %1 %2").arg(size.width() / 2).arg(size.height() / 3));
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")));
    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader})
        EXPECT_TRUE(panelAt(id, s));
    // The menu cluster asks for more than a small display has at 200 %; there the window
    // manager keeps it on the screen.
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    command(QStringLiteral("loadouts"));
    for (HUDWidgetID id : {menuRail, summaryPanel, skillSlots, equipment}) {
        if (QRect(QPoint(), size).contains(s.home(id)))
            EXPECT_TRUE(panelAt(id, s));
    }
    // Closed again, with its sub-panel, so that the rest has the screen.
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    ASSERT_TRUE(waitUntil([] {
        return !isViewable(QStringLiteral("Kaidro menuRail"))
            && !isViewable(QStringLiteral("Kaidro equipment"));
    }));

    // The bar's height follows its rows; its place, width and top edge do not.
    const QRect bar = s.onServer(CommandBarController::frameFor(1, s.screen));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space"));
    EXPECT_TRUE(waitUntil([&] {
        const QRect got = windowGeometry(QStringLiteral("Kaidro commandBar")).value_or(QRect());
        return std::abs(got.left() - bar.left()) <= 1 && std::abs(got.width() - bar.width()) <= 1
            && std::abs(got.top() - bar.top()) <= 1;
    }));
    xdotool("key Escape");
    ASSERT_TRUE(waitUntil([] { return !isViewable(QStringLiteral("Kaidro commandBar")); }));
    command(QStringLiteral("say hi"));
    const QRect visible = s.onServer(s.screen.visibleFrame);
    EXPECT_TRUE(waitUntil([&] {
        const auto toast = windowGeometry(QStringLiteral("Kaidro toast"));
        return toast && std::abs(toast->right() - (visible.right() - 28 * s.ratio)) <= 2
            && std::abs(toast->top() - 28 * s.ratio) <= 2;
    })) << ::testing::PrintToString(windowGeometry(QStringLiteral("Kaidro toast")));

    command(QStringLiteral("edit layout"));
    EXPECT_TRUE(at(QStringLiteral("Kaidro layoutEditor"), QRect(QPoint(), size)));
    xdotool("key Escape");

    // The window list and the pointer agree with the panels: the cursor marks the window.
    Client logo(QStringLiteral("xlogo"), QStringLiteral("200x150+300+200"));
    std::optional<quint32> id;
    ASSERT_TRUE(waitUntil([&] {
        id = run("xdotool", {"search", "--onlyvisible", "--class", "XLogo"})
                 .section('\n', 0, 0)
                 .toUInt();
        return *id && frameOnScreen(*id);
    }));
    const QRectF frame = *frameOnScreen(*id);
    const QRectF logical(frame.topLeft() / s.ratio, frame.size() / s.ratio);
    xdotool(
        QStringLiteral("mousemove --sync %1 %2").arg(frame.center().x()).arg(frame.center().y()));
    xdotool(QStringList{"mousemove_relative", "--sync", "1", "0"});
    EXPECT_TRUE(at(QStringLiteral("Kaidro targetCursor"),
                   s.onServer(HUDLayout::placeTargetCursor(
                                  YUp::flip(logical, s.screen.frame.height()), s.screen)
                                  .frame)));
    EXPECT_TRUE(vantle.stop());
}

INSTANTIATE_TEST_SUITE_P(Scales, DesktopX11, ::testing::Values(96, 120, 144, 192));

// The panels leave the edges that docks reserve, and take them back as the docks move or go.
TEST_F(DesktopX11, PanelsFollowADockThatMovesAndGoes)
{
    setDpi(120);
    const QSize size = displaySize();
    auto dock
        = std::make_unique<Dock>(QRect(0, size.height() - 48, size.width(), 48), Dock::bottom, 48);
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")));
    for (const auto &[top, bottom] : {std::pair{0, 48}, {36, 0}, {0, 0}}) {
        SCOPED_TRACE(testing::Message() << "top " << top << " bottom " << bottom);
        if (top)
            dock = std::make_unique<Dock>(QRect(0, 0, size.width(), top), Dock::top, top);
        else if (!bottom)
            dock.reset();
        for (HUDWidgetID id : {playerStatus, fieldHeader})
            EXPECT_TRUE(panelAt(id, Scaled(1.25, top, bottom)));
    }
    EXPECT_TRUE(vantle.stop());
}

// Started under one layout, the keys follow each switch; a key another program holds in the
// new layout fails as at start, and comes back with a layout that frees it.
TEST(HotKeysX11, CombinationsFollowKeyboardLayoutSwitches)
{
    const auto layout = [](const char *name) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), {QLatin1String(name)}), 0);
        QTest::qWait(300); // the mapping's reports reach this process's event loop
    };
    layout("fr");
    X11HotKeys keys;
    QList<quint32> ran;
    HotKeyCenter menu(MenuHotKey.id, &keys);
    QSignalSpy changes(&menu, &HotKeyCenter::registrationChanged);
    ASSERT_TRUE(menu.registerHotKey(MenuHotKey.keyCode, MenuHotKey.modifiers, [&] { ran << 3; }));
    const auto pressed = [&] {
        ran.clear();
        xdotool("key ctrl+alt+super+m");
        return waitUntil([&] { return !ran.isEmpty(); }, 3000);
    };
    for (const char *name : {"fr", "us", "de"}) {
        SCOPED_TRACE(name);
        layout(name);
        EXPECT_TRUE(pressed());
        EXPECT_TRUE(menu.isRegistered());
    }
    // In French, the key that types "m" in German types ","; another program takes that.
    layout("fr");
    ASSERT_TRUE(waitUntil([&] { return changes.size() >= 2; }));
    OtherClient other;
    ASSERT_TRUE(other.grab(0x2c, CtrlAltSuper));
    layout("de");
    EXPECT_TRUE(waitUntil([&] { return !menu.isRegistered(); }));
    EXPECT_EQ(changes.last(), QVariantList{false});
    layout("fr");
    EXPECT_TRUE(waitUntil([&] { return menu.isRegistered(); }) && pressed());
    layout("us");
}

#include "app/HotKeyCenter.h"
#include "commandbar/CommandBarController.h"
#include "hud/HUDHotKeys.h"
#include "hud/HUDLayout.h"
#include "platform/Geometry.h"
#include "platform/linux/X11HotKeys.h"
#include "platform/linux/Xcb.h"

#include "X11Probe.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>

// The real program on a scaled desktop (Xft.dpi, as GNOME and KDE set it), beside docks that
// reserve an edge, and the hot keys across keyboard layouts.
using enum HUDWidgetID;
using namespace X11Probe;

namespace {

QSize displaySize()
{
    const xcb_screen_t *root = xcb_setup_roots_iterator(xcb_get_setup(Xcb::connection())).data;
    return {root->width_in_pixels, root->height_in_pixels};
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
};

// Waits until `name` sits within a pixel of `want` (the toolkit rounds each edge on its own);
// with `topOnly` its height may differ.
bool at(const QString &name, const QRect &want, bool topOnly = false)
{
    QRect got;
    const bool ok = waitUntil(
        [&] {
            got = windowGeometry(name).value_or(QRect());
            return near(got,
                        topOnly ? QRect(want.topLeft(), QSize(want.width(), got.height())) : want);
        },
        10000); // generous: a loaded machine takes seconds to start the program and xwininfo
    if (!ok)
        ADD_FAILURE() << name.toStdString() << " at " << got.x() << "," << got.y() << " "
                      << got.width() << "x" << got.height() << ", not " << want.x() << ","
                      << want.y() << " " << want.width() << "x" << want.height();
    return ok;
}
QRect home(HUDWidgetID id, const Scaled &s)
{
    return s.onServer(HUDLayout::frame(HUDLayout::spec(id), s.screen));
}
bool panelAt(HUDWidgetID id, const Scaled &s)
{
    return at(QStringLiteral("Kaidro ") + HUDWidget::rawValue(id), home(id, s));
}

void command(const QString &text)
{
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space")
                && waitUntil([] { return isViewable(QStringLiteral("Kaidro commandBar")); }));
    ASSERT_TRUE(xdotool({"type", "--delay", "40", text}));
    QThread::msleep(800); // the listing runs as the bar opens
    ASSERT_TRUE(xdotool("key Return"));
}

// Xft.dpi at `dpi`, as a desktop sets it before the session starts; gone again after the test.
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
    static void setDpi(int dpi)
    {
        run("sh", {"-c", QStringLiteral("echo Xft.dpi: %1 | xrdb -merge").arg(dpi)});
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
    Plate gazed; // another app's window, as far as the program can tell
    gazed.setWindowTitle(QStringLiteral("gazed"));
    gazed.setGeometry(300, 200, 200, 150);
    gazed.show();
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && waitForWindow(QStringLiteral("Kaidro playerStatus")));
    for (HUDWidgetID id : {playerStatus, partyStrip, fieldHeader})
        panelAt(id, s);
    // The menu cluster asks for more than a small display has at 200 %: there the window
    // manager keeps it on the screen. Closed again, with its sub-panel, to free the screen.
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    command(QStringLiteral("loadouts"));
    for (HUDWidgetID id : {menuRail, summaryPanel, skillSlots, equipment}) {
        if (QRect(QPoint(), size).contains(home(id, s)))
            panelAt(id, s);
    }
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    ASSERT_TRUE(waitUntil([] { return !isViewable(QStringLiteral("Kaidro equipment")); }));

    // The bar's height follows its rows, its place does not; the toast sits in the top corner.
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space"));
    at(QStringLiteral("Kaidro commandBar"), s.onServer(CommandBarController::frameFor(1, s.screen)),
       true);
    xdotool("key Escape");
    ASSERT_TRUE(waitUntil([] { return !isViewable(QStringLiteral("Kaidro commandBar")); }));
    command(QStringLiteral("say hi"));
    const QRectF visible = s.screen.visibleFrame;
    at(QStringLiteral("Kaidro toast"),
       s.onServer({visible.right() - 28 - 340, visible.bottom() - 28 - 64, 340, 64}), true);
    command(QStringLiteral("edit layout"));
    at(QStringLiteral("Kaidro layoutEditor"), QRect(QPoint(), size));
    xdotool("key Escape");

    // The window list and the pointer agree with the panels: the cursor marks the window.
    // Read once the window manager has placed the window where the test asked.
    QRectF frame;
    ASSERT_TRUE(waitUntil([&] {
        const quint32 id
            = run("xdotool", {"search", "--name", "^gazed$"}).section('\n', 0, 0).toUInt();
        frame = frameOnScreen(id).value_or(QRectF());
        return frame.x() >= 250 && frame.y() >= 150;
    }));
    const QRectF logical(frame.topLeft() / s.ratio, frame.size() / s.ratio);
    xdotool(
        QStringLiteral("mousemove --sync %1 %2").arg(frame.center().x()).arg(frame.center().y()));
    xdotool(QStringList{"mousemove_relative", "--sync", "1", "0"});
    at(QStringLiteral("Kaidro targetCursor"),
       s.onServer(
           HUDLayout::placeTargetCursor(YUp::flip(logical, s.screen.frame.height()), s.screen)
               .frame));
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
            panelAt(id, Scaled(1.25, top, bottom));
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
        layout(name);
        EXPECT_TRUE(pressed() && menu.isRegistered()) << name;
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

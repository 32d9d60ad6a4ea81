#include "platform/WindowCanvas.h"
#include "platform/WindowSprites.h"
#include "platform/linux/X11WindowSystem.h"

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSet>
#include <QTest>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>

// What our windows show beside the toolkit (kept frames, shared-memory puts) and where they
// sit in the stacking order, on the private Xvfb display with openbox.
using namespace X11Probe;

// The frames of an animation, kept by the server and copied into a translucent window: each lands
// where it is shown with its own pixels, alpha included. An opaque window gets no sprites; its
// owner repaints.
TEST(WindowSpritesX11, KeptFramesLandInATranslucentWindowAndOpaqueWindowsGetNone)
{
    X11WindowSystem windows;
    // Counts its paints: a paint after a frame was shown would clear it, so the frames go in
    // once the toolkit and the window manager are done with the window.
    struct Translucent : QWidget
    {
        int paints = 0;
        Translucent()
            : QWidget(nullptr, Qt::FramelessWindowHint)
        { }
        void paintEvent(QPaintEvent *) override { ++paints; }
    } translucent;
    translucent.setAttribute(Qt::WA_TranslucentBackground);
    translucent.setGeometry(200, 200, 120, 90);
    translucent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&translucent));
    ASSERT_TRUE(waitUntil([&] { return translucent.paints > 0; }));
    for (int settled = -1; settled != translucent.paints;) {
        settled = translucent.paints;
        QTest::qWait(150);
    }
    const quint32 id = quint32(translucent.winId());
    std::unique_ptr<WindowSprites> sprites = windows.sprites(id);
    ASSERT_TRUE(sprites) << "a 32-bit window on Xvfb takes sprites";

    QImage red(40, 30, QImage::Format_ARGB32_Premultiplied);
    red.fill(QColor(200, 0, 0));
    QImage glass(60, 10, QImage::Format_ARGB32);
    glass.fill(QColor::fromRgbF(0, 0, 1, 0.5));
    EXPECT_FALSE(sprites->show(0, {0, 0})) << "nothing kept yet";
    ASSERT_TRUE(sprites->keep(0, red));
    ASSERT_TRUE(sprites->keep(1, glass));
    OtherClient reader;
    // Another client's request may be served before ours unless ours have had their answer.
    xcb_connection_t *const own
        = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto shown = [&](int index, QPoint at, QPoint probe) {
        sprites->show(index, at);
        std::free(xcb_get_input_focus_reply(own, xcb_get_input_focus(own), nullptr));
        return reader.pixel(id, probe);
    };
    EXPECT_EQ(shown(0, {10, 20}, {49, 49}), 0xffc80000u);
    // Premultiplied, as the compositor reads it.
    EXPECT_EQ(shown(1, {10, 20}, {69, 29}), 0x80000080u);
    // Past the glass, the red frame shown before is still there.
    EXPECT_EQ(reader.pixel(id, {30, 45}), 0xffc80000u);
    // A frame kept again in another size replaces the old one.
    ASSERT_TRUE(sprites->keep(1, red));
    EXPECT_EQ(shown(1, {70, 50}, {109, 79}), 0xffc80000u);

    // A loop played by the sprites themselves: both frames come and go with nobody stepping
    // them, and stop() leaves the window as it was at the last step.
    ASSERT_TRUE(sprites->keep(1, glass));
    using Steps = std::vector<WindowSprites::Step>;
    const auto now = std::chrono::steady_clock::now();
    EXPECT_FALSE(sprites->play(Steps{{0, 0}, {100, 7}}, 200, now, {10, 20})) << "7 is not kept";
    EXPECT_FALSE(sprites->play(Steps{{100, 0}, {0, 1}}, 200, now, {10, 20})) << "out of order";
    ASSERT_TRUE(sprites->play(Steps{{0, 0}, {100, 1}}, 200, now, {10, 20}));
    QSet<quint32> seen;
    for (int i = 0; i < 40 && seen.size() < 2; ++i) {
        seen.insert(reader.pixel(id, {30, 25}));
        QTest::qWait(25);
    }
    EXPECT_EQ(seen, (QSet<quint32>{0xffc80000u, 0x80000080u}));
    // Once the server's frames keep a steady pace (Xvfb counts 60 a second), it is handed the
    // steps a few seconds ahead: they still land on time, mid-step each frame is the right one.
    QTest::qWait(2500);
    const auto midStep = [&](int ms) {
        using namespace std::chrono;
        const auto into = duration_cast<milliseconds>(steady_clock::now() - now).count() % 200;
        QTest::qWait(int((ms - into + 200) % 200));
        return reader.pixel(id, {30, 25});
    };
    int onTime = 0;
    for (int i = 0; i < 6; ++i)
        onTime += midStep(50) == 0xffc80000u && midStep(150) == 0x80000080u;
    EXPECT_GE(onTime, 5) << "a late timer may miss one, never the pace";
    // stop() takes back the steps the server still holds: nothing changes after it.
    sprites->stop();
    QTest::qWait(50);
    const quint32 last = reader.pixel(id, {30, 25});
    QSet<quint32> after;
    for (int i = 0; i < 25; ++i) {
        QTest::qWait(100);
        after.insert(reader.pixel(id, {30, 25}));
    }
    EXPECT_EQ(after, QSet<quint32>{last});
    sprites->clear();
    EXPECT_FALSE(sprites->show(0, {0, 0}));

    const std::unique_ptr<QWidget> opaque = showWindow({400, 200, 120, 90});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(opaque.get()));
    EXPECT_FALSE(windows.sprites(opaque->winId()));
}

// Panels found on top in their order are taken to stay so, without asking the server, only
// until the root reports a change: a window mapped above them, and gone again, is seen.
TEST(WindowSystemX11, PanelsOnTopStaySoUntilTheRootReportsAWindowAboveThem)
{
    X11WindowSystem windows;
    const Qt::WindowFlags unmanaged = Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint;
    const auto low = showWindow({100, 100, 100, 100}, unmanaged);
    const auto high = showWindow({150, 150, 100, 100}, unmanaged);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(high.get()));
    const QList<quintptr> order{low->winId(), high->winId()};
    ASSERT_TRUE(waitUntil([&] { return windows.onTopInOrder(order); }));
    EXPECT_FALSE(windows.onTopInOrder({high->winId(), low->winId()}));
    EXPECT_TRUE(windows.onTopInOrder(order));
    const auto cover = showWindow({400, 400, 50, 50}, unmanaged);
    EXPECT_TRUE(waitUntil([&] { return !windows.onTopInOrder(order); }));
    cover->hide();
    EXPECT_TRUE(waitUntil([&] { return windows.onTopInOrder(order); }));
}

// Pixels put through shared memory land in a translucent window as they are and only where put,
// again once the server has read the last put; an opaque window gets no canvas.
TEST(WindowCanvasX11, PutsLandWhereAskedInATranslucentWindowAndOpaqueWindowsGetNone)
{
    X11WindowSystem windows;
    const auto glass = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    glass->setAttribute(Qt::WA_TranslucentBackground);
    glass->setGeometry(200, 200, 120, 90);
    glass->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(glass.get()));
    QTest::qWait(300); // the toolkit's own paints are done
    const std::unique_ptr<WindowCanvas> canvas = windows.canvas(glass->winId());
    ASSERT_TRUE(canvas) << "Xvfb maps our memory and the window is 32 bits deep";
    xcb_connection_t *const own
        = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    OtherClient reader;
    QImage image(120, 90, QImage::Format_ARGB32_Premultiplied);
    for (const QColor colour : {QColor(200, 0, 0), QColor::fromRgbF(0, 0, 1, 0.5)}) {
        image.fill(colour);
        ASSERT_TRUE(canvas->put(image, QRegion(10, 20, 40, 30) + QRegion(60, 60, 5, 5)));
        std::free(xcb_get_input_focus_reply(own, xcb_get_input_focus(own), nullptr));
        for (const QPoint at : {QPoint(49, 49), QPoint(64, 64), QPoint(55, 55)})
            EXPECT_EQ(reader.pixel(glass->winId(), at), at.x() == 55 ? 0u : image.pixel(0, 0));
    }
    EXPECT_FALSE(
        canvas->put(QImage(400, 400, QImage::Format_ARGB32_Premultiplied), QRect(0, 0, 4, 4)));
    const std::unique_ptr<QWidget> opaque = showWindow({400, 200, 120, 90});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(opaque.get()));
    EXPECT_FALSE(windows.canvas(opaque->winId()));
}

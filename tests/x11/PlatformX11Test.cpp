#include "app/HotKeyCenter.h"
#include "hud/HUDHotKeys.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/X11HotKeys.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"

#include "X11Probe.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <memory>
#include <utility>

#include <unistd.h>

// The Linux platform's services on a private Xvfb display
// with openbox, whose frame adds 1, 1, 20, 5 (left, right, top, bottom) around a decorated client.
// Other programs' geometry is read back with xwininfo and xprop.
namespace {

using namespace X11Probe;

std::optional<WindowInfo> entry(const X11WindowSystem &windows, quint32 id)
{
    const QList<WindowInfo> list = windows.windowList().value_or(QList<WindowInfo>());
    const auto it = std::ranges::find(list, id, &WindowInfo::id);
    return it == list.end() ? std::nullopt : std::optional(*it);
}

// Where `a` comes before `b` front to back, in the window list and among this process's
// standard windows.
bool before(const X11WindowSystem &windows, quint32 a, quint32 b)
{
    QList<quint32> list;
    for (const WindowInfo &w : windows.windowList().value_or(QList<WindowInfo>()))
        list << w.id;
    const QList<quint32> standard = windows.standardWindows(::getpid());
    return list.contains(a) && list.indexOf(a) < list.indexOf(b) && standard.contains(a)
        && standard.indexOf(a) < standard.indexOf(b);
}

// Whether the frame of `window` comes to be `frame`, give or take a point.
::testing::AssertionResult at(quint32 window, const QRectF &frame)
{
    const auto there = [&] { return near(frameOnScreen(window).value_or(QRectF()), frame, 1); };
    if (waitUntil(there))
        return ::testing::AssertionSuccess();
    const QRectF r = frameOnScreen(window).value_or(QRectF());
    return ::testing::AssertionFailure()
        << QString::asprintf("at %g,%g %gx%g", r.x(), r.y(), r.width(), r.height()).toStdString();
}

} // namespace

// Our windows: two plain ones, a tool window, one kept above, a translucent one and a dock; and
// xeyes, which sets no _NET_WM_PID, so the window list has to ask XRes for its process. The
// workspace groups them by process and names them from their desktop entries.
TEST(WindowListX11, ListsWindowsFrontToBackWithFrameOwnerLayerAndAlphaAndGroupsThemByProcess)
{
    QTemporaryDir entries;
    writeEntries(entries.path());
    X11Workspace workspace({entries.path()}, nullptr);
    X11WindowSystem windows;
    // Trusted under an EWMH window manager with XTEST, never under Wayland.
    EXPECT_TRUE(windows.trusted());
    qputenv("WAYLAND_DISPLAY", QByteArray("wayland-0"));
    EXPECT_FALSE(windows.trusted());
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_TRUE(windows.trusted());
    const auto a = showWindow({220, 180, 320, 240}), b = showWindow({150, 150, 300, 200});
    const auto tool = showWindow({300, 300, 200, 150}, Qt::Tool);
    const auto above = showWindow({300, 300, 200, 100}, Qt::WindowStaysOnTopHint);
    const auto faded = showWindow({100, 300, 200, 150});
    faded->setWindowOpacity(0.5);
    auto dock = std::make_unique<QWidget>();
    dock->winId(); // the type is set on the native window before it is mapped
    dock->setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    dock->setGeometry(0, 1040, 1920, 40);
    dock->show();
    Client eyes(QStringLiteral("xeyes"));
    const auto idA = quint32(a->winId()), idB = quint32(b->winId());
    const auto of = [&](const auto &w) { return entry(windows, quint32(w->winId())); };
    const std::optional<quint32> other = waitForWindowOf(windows, eyes.pid());
    ASSERT_TRUE(other && waitUntil([&] {
                    return of(a) && of(b) && of(tool) && of(above) && of(dock) && of(faded)
                        && of(faded)->alpha;
                }));

    windows.raiseWindow(idA);
    ASSERT_TRUE(waitUntil([&] { return before(windows, idA, idB); }));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(quint32(tool->winId())));
    EXPECT_TRUE(waitUntil([&] { return windows.focusedWindow(::getpid()) == idA; }));
    EXPECT_FALSE(windows.focusedWindow(eyes.pid()));
    EXPECT_TRUE(windows.standardWindows(eyes.pid() + 100000).isEmpty());

    // Qt knows where the client sits once the window manager has placed it.
    ASSERT_TRUE(waitUntil([&] { return a->geometry().topLeft() != QPoint(0, 0); }));
    const WindowInfo info = *of(a);
    EXPECT_EQ(info.bounds, QRectF(a->geometry().adjusted(-1, -20, 1, 5)));
    EXPECT_EQ(windows.windowFrame(idA), info.bounds);
    EXPECT_EQ(std::tuple(info.pid, info.layer, info.alpha.has_value()),
              std::tuple(::getpid(), 0, false));
    EXPECT_NEAR(*of(faded)->alpha, 0.5, 0.01);
    EXPECT_NE(of(above)->layer, 0);
    EXPECT_NE(of(dock)->layer, 0);
    const QString pidProperty
        = run(QStringLiteral("xprop"), {"-id", QString::number(*other), "_NET_WM_PID"});
    EXPECT_TRUE(pidProperty.contains(QStringLiteral("not found"))) << pidProperty.toStdString();

    EXPECT_EQ(std::ranges::count(workspace.runningApplications(), ::getpid(), &RunningApp::pid), 1);
    const RunningApp own = workspace.application(::getpid()).value_or(RunningApp());
    EXPECT_TRUE(own.regular && own.appId.isEmpty() && !own.name.isEmpty()); // the process name
    const auto app = workspace.application(eyes.pid());
    ASSERT_TRUE(app && app->launchDate);
    EXPECT_TRUE(app->regular);
    EXPECT_EQ(QStringList({app->appId, app->name, app->iconName}),
              QStringList({"org.example.Eyes", "Watching Eyes", "eyes-icon"}));

    for (const auto &[id, target] :
         {std::pair{idA, QRectF(410, 230, 520, 360)}, {*other, QRectF(50, 60, 240, 180)}}) {
        ASSERT_TRUE(windows.setWindowFrame(id, target));
        EXPECT_TRUE(at(id, target));
    }
    // A move made by another program is reported by the root: the list, kept for seconds while
    // nothing changes, follows it at once.
    ASSERT_TRUE(entry(windows, *other));
    const std::optional<QRectF> unmoved = frameOnScreen(*other);
    run(QStringLiteral("wmctrl"), {"-i", "-r", QString::number(*other), "-e", "0,300,320,-1,-1"});
    ASSERT_TRUE(waitUntil([&] { return frameOnScreen(*other) != unmoved; }));
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto moved = entry(windows, *other);
            return moved && near(moved->bounds, frameOnScreen(*other).value_or(QRectF()), 1);
        },
        2000));
    // The client is the frame less openbox's extents.
    EXPECT_TRUE(waitUntil([&] { return a->size() == QSize(518, 335); }));

    a->showMinimized();
    EXPECT_TRUE(waitUntil([&] { return !entry(windows, idA); }));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(idA));
    // A skip-taskbar window does not make its app regular.
    run(QStringLiteral("wmctrl"), {"-i", "-r", QString::number(*other), "-b", "add,skip_taskbar"});
    EXPECT_TRUE(waitUntil([&] {
        const auto now = workspace.application(eyes.pid());
        return now && !now->regular;
    }));
}

TEST(WorkspaceX11, OpensOnlyKnownEntriesAndSignalsLaunchActivationAndTermination)
{
    QTemporaryDir entries;
    writeEntries(entries.path());
    X11Workspace workspace({entries.path()}, nullptr);
    EXPECT_FALSE(workspace.openApplication(QStringLiteral("org.example.Missing")));
    EXPECT_FALSE(workspace.openApplication(QString()));
    QSignalSpy launched(&workspace, &Workspace::launched);
    QSignalSpy activated(&workspace, &Workspace::activated);
    QSignalSpy terminated(&workspace, &Workspace::terminated);
    const auto saw = [](const QSignalSpy &spy, pid_t pid) {
        return std::any_of(spy.begin(), spy.end(), [pid](const auto &args) {
            return args[0].template value<pid_t>() == pid;
        });
    };
    ASSERT_TRUE(workspace.openApplication(QStringLiteral("org.example.Calc")));
    ASSERT_TRUE(waitUntil([&] { return !launched.isEmpty(); }));
    const pid_t pid = launched.first().at(0).value<pid_t>();
    EXPECT_EQ(workspace.application(pid).value_or(RunningApp()).appId, "org.example.Calc");

    EXPECT_TRUE(workspace.activate(pid));
    EXPECT_TRUE(waitUntil([&] { return saw(activated, pid); }));
    EXPECT_EQ(workspace.frontmostApplication().value_or(RunningApp()).pid, pid);
    // Told by the activation it heard, without asking the server again.
    EXPECT_EQ(workspace.frontmostPid(), pid);

    ::kill(pid, SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return saw(terminated, pid); }));
    EXPECT_FALSE(workspace.application(pid));
    EXPECT_FALSE(workspace.activate(pid));
}

// Whether a compositing manager runs is known without asking the server each time, and
// follows one that starts and one that goes.
TEST(WindowSystemX11, CompositingFollowsACompositorThatComesAndGoes)
{
    X11WindowSystem windows;
    ASSERT_FALSE(windows.compositing()) << "the test display starts without a compositor";
    QProcess picom;
    picom.start(QStringLiteral("picom"), {"--backend", "xrender", "--no-fading-openclose"});
    ASSERT_TRUE(picom.waitForStarted());
    EXPECT_TRUE(waitUntil([&] { return windows.compositing(); }, 5000));
    // A second copy made now reads what the first was told.
    EXPECT_TRUE(X11WindowSystem().compositing());
    picom.terminate();
    ASSERT_TRUE(picom.waitForFinished(5000));
    EXPECT_TRUE(waitUntil([&] { return !windows.compositing(); }, 5000));
}

TEST(PasteKeystrokeX11, TypesCtrlVWithOnlyCtrlHeldAndAnotherClientsCopyIsSeenButNoImageRead)
{
    QtPasteboard pasteboard;
    const qint64 before = pasteboard.changeCount();
    const QString text = QStringLiteral("typed by the paste keystroke");
    pasteboard.setPlainText(text);
    // Our own write counts once, however the clipboard reports it.
    QCoreApplication::processEvents();
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    QLineEdit field;
    focusField(field, QStringLiteral("keystroke target"), QRect(200, 300, 400, 40));
    // Alt still down, as after Alt+Return: Ctrl+Alt+V would not paste.
    ASSERT_TRUE(xdotool("keydown alt"));
    ASSERT_TRUE(X11WindowSystem().sendPasteKeystroke());
    EXPECT_TRUE(waitUntil([&] { return field.text() == text; }, 3000))
        << "field holds: " << field.text().toStdString();
    xdotool("keyup alt");

    const auto copied = [&](const QString &text, const QString &type) {
        const qint64 count = pasteboard.changeCount();
        copyToClipboard(text, type);
        return waitUntil([&] { return pasteboard.changeCount() > count; }, 3000);
    };
    ASSERT_TRUE(copied(QStringLiteral("from another app"), {}));
    EXPECT_EQ(pasteboard.plainText(), QStringLiteral("from another app"));
    EXPECT_FALSE(pasteboard.types().contains(QStringLiteral("TARGETS")));
    // An image on the clipboard: no text, and the image is never fetched.
    ASSERT_TRUE(copied(QStringLiteral("PNG"), QStringLiteral("image/png")));
    EXPECT_TRUE(pasteboard.types().contains(QStringLiteral("image/png")));
    EXPECT_FALSE(pasteboard.plainText().has_value());
    // Taking the clipboard back ends the xclip that was serving it.
    pasteboard.setPlainText(QString());
}

// Another app offers texts below and over the limit, as one property or in chunks, and a secret:
// only what is within the limit is read, whole; the others are left unread, their types known.
TEST(PasteboardX11, ReadsTextWithinTheLimitWholeAndNeitherOneOverItNorASecret)
{
    QtPasteboard pasteboard;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("copy"));
    const struct Case
    {
        const char *kind;
        qsizetype size;
        bool read;
    } cases[] = {{"xclip", 6'000'000, true}, // xclip sends anything over 1 MB in chunks
                 {"text", 100'000, true},
                 {"text", 6'000'000, true},
                 {"text", QtPasteboard::maxTextBytes + 1, false},
                 {"secret", 7, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        writeFile(file, QByteArray(c.size, 'z'));
        QProcess source;
        // An owner that does not list its types in time is passed over by design: a source slow
        // to answer its first request on a loaded machine is offered once more.
        bool offered = false;
        for (int attempt = 0; attempt < 2 && !offered; ++attempt) {
            const qint64 count = pasteboard.changeCount();
            if (attempt > 0) {
                source.terminate();
                source.waitForFinished();
            }
            if (qstrcmp(c.kind, "xclip") == 0)
                source.start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", file});
            else
                source.start(QStringLiteral(KAIDRO_CLIP_SOURCE_PATH), {c.kind, file, "20"});
            // The last owner's going may be reported late: the new copy is the change that
            // brings text.
            offered = waitUntil(
                [&] {
                    return pasteboard.changeCount() > count
                        && pasteboard.types().contains(QStringLiteral("text/plain"));
                },
                5000);
        }
        EXPECT_TRUE(offered);
        EXPECT_EQ(pasteboard.plainText().value_or(QString()).size(), c.read ? c.size : 0);
        source.terminate();
        source.waitForFinished();
        ASSERT_TRUE(waitUntil([&] { return pasteboard.types().isEmpty(); }, 5000));
    }
}

TEST(HotKeysX11, MenuComboRunsOnlyTheMenuCentreWithAndWithoutNumLock)
{
    X11HotKeys keys;
    QList<quint32> ran;
    std::deque<HotKeyCenter> centres;
    for (const HotKeyBinding *b : {&HUDHotKey, &CommandBarHotKey, &MenuHotKey, &HideAllHotKey}) {
        HotKeyCenter &centre = centres.emplace_back(b->id, &keys);
        ASSERT_TRUE(centre.registerHotKey(b->keyCode, b->modifiers, [&, b] { ran << b->id; }));
    }
    OtherClient observer;
    for (const bool numLock : {false, true}) {
        SCOPED_TRACE(numLock ? "NumLock on" : "NumLock off");
        if (numLock)
            xdotool("key Num_Lock");
        ASSERT_EQ(bool(observer.modifierState() & NumLock), numLock);
        ran.clear();
        xdotool("key ctrl+alt+super+m");
        const bool seen = waitUntil([&] { return !ran.isEmpty(); }, 5000);
        if (numLock)
            xdotool("key Num_Lock");
        EXPECT_FALSE(observer.modifierState() & NumLock) << "NumLock stayed on";
        ASSERT_TRUE(seen) << "the press did not arrive";
        EXPECT_EQ(ran, QList<quint32>{3});
    }
}

// Another client holds one variant of Ctrl+Alt+Super+H (plain, or with NumLock): ours fails
// whole, giving back the variants it had taken, and holds every variant once the other lets go,
// until it unregisters. Other combinations register meanwhile.
TEST(HotKeysX11, ComboHeldByAnotherClientFailsUntilItLetsGoAndUnregisterReleasesEveryVariant)
{
    X11HotKeys keys;
    OtherClient other;
    const quint16 variants[] = {0, XCB_MOD_MASK_LOCK, NumLock, XCB_MOD_MASK_LOCK | NumLock};
    const auto grabAll = [&](quint16 except) {
        for (const quint16 locks : variants)
            EXPECT_TRUE(locks == except || other.grab(SymH, CtrlAltSuper | locks))
                << locks << " kept";
        for (const quint16 locks : variants)
            other.ungrab(SymH, CtrlAltSuper | locks);
    };
    for (const quint16 held : {quint16(0), NumLock}) {
        SCOPED_TRACE(held);
        HotKeyCenter hud(1, &keys), hideAll(4, &keys);
        ASSERT_TRUE(other.grab(SymH, CtrlAltSuper | held));
        EXPECT_FALSE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
        EXPECT_TRUE(hideAll.registerHotKey(HideAllHotKey.keyCode, HideAllHotKey.modifiers, [] {}));
        grabAll(held);

        EXPECT_TRUE(hud.registerHotKey(HUDHotKey.keyCode, HUDHotKey.modifiers, [] {}));
        EXPECT_FALSE(other.grab(SymH, CtrlAltSuper | NumLock)) << "NumLock variant not held";
        hud.unregister();
        grabAll(0xffff);
    }
}

// The workspace tells the desktop's own processes: a client of another user (here nobody's
// xeyes) runs as another user, ours does not; both carry their executable's name.
TEST(WorkspaceX11, AnotherUsersClientIsMarkedAndEveryAppCarriesItsExecutable)
{
    if (::getuid() == 65534)
        GTEST_SKIP() << "the tests run as nobody, the other user this test needs";
    X11Workspace workspace;
    Client ours(QStringLiteral("xeyes"));
    QProcess theirs;
    theirs.start(
        "setpriv",
        {"--reuid=65534", "--regid=65534", "--clear-groups", "xeyes", "-geometry", "+300+300"});
    ASSERT_TRUE(theirs.waitForStarted());
    const auto app = [&](pid_t pid) { return workspace.application(pid); };
    ASSERT_TRUE(waitUntil([&] { return app(ours.pid()) && app(pid_t(theirs.processId())); }));
    EXPECT_FALSE(app(ours.pid())->otherUser);
    EXPECT_TRUE(app(pid_t(theirs.processId()))->otherUser);
    EXPECT_EQ(app(ours.pid())->executable, "xeyes");
    EXPECT_EQ(app(pid_t(theirs.processId()))->executable, "xeyes");
    theirs.terminate();
    theirs.waitForFinished(3000);
}

// The pointer's raw motion (a device's, not a warp's) is heard while someone watches and not
// after the last one stops.
TEST(ScreensX11, RawPointerMotionIsHeardOnlyWhileWatched)
{
    LinuxScreens screens;
    ASSERT_TRUE(screens.watchesPointer());
    QSignalSpy moved(&screens, &Screens::pointerMoved);
    screens.startPointerWatch();
    ASSERT_TRUE(xdotool("mousemove_relative -- 5 0"));
    EXPECT_TRUE(waitUntil([&] { return !moved.isEmpty(); }, 3000));
    screens.stopPointerWatch();
    QTest::qWait(200);
    moved.clear();
    ASSERT_TRUE(xdotool("mousemove_relative -- 5 0"));
    QTest::qWait(400);
    EXPECT_TRUE(moved.isEmpty());
}

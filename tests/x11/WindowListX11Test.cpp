#include "monitors/TargetMonitor.h"
#include "platform/Geometry.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/ProcSystemStats.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"

#include "X11Probe.h"
#include "fakes/FakeClock.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <unistd.h>

// Runs on a private Xvfb display with openbox, whose frame adds 1, 1, 20, 5 (left, right, top,
// bottom) around a decorated client.
namespace {

using namespace X11Probe;

std::unique_ptr<QWidget> showWindow(const QRect &geometry, Qt::WindowFlags flags = {})
{
    auto widget = std::make_unique<QWidget>(nullptr, flags);
    widget->setGeometry(geometry);
    widget->setMinimumSize(50, 50);
    widget->show();
    return widget;
}

qsizetype indexOf(const QList<WindowInfo> &list, quint32 id)
{
    const auto it = std::find_if(list.begin(), list.end(), [id](auto &w) { return w.id == id; });
    return it == list.end() ? -1 : it - list.begin();
}

const WindowInfo *find(const QList<WindowInfo> &list, quint32 id)
{
    const qsizetype i = indexOf(list, id);
    return i < 0 ? nullptr : &list[i];
}

bool listed(const X11WindowSystem &windows, quint32 id)
{
    const auto list = windows.windowList();
    return list && find(*list, id);
}

bool near(const QRectF &a, const QRectF &b)
{
    return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1
        && std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

} // namespace

TEST(WindowListX11, ListsWindowsFrontToBackWithTheLastRaisedFirst)
{
    X11WindowSystem windows;
    const auto a = showWindow(QRect(100, 100, 300, 200));
    const auto b = showWindow(QRect(150, 150, 300, 200));
    const auto idA = quint32(a->winId());
    const auto idB = quint32(b->winId());
    ASSERT_TRUE(waitUntil([&] { return listed(windows, idA) && listed(windows, idB); }));
    windows.raiseWindow(idA);
    ASSERT_TRUE(waitUntil([&] {
        const auto list = windows.windowList();
        return list && indexOf(*list, idA) < indexOf(*list, idB);
    }));
    windows.raiseWindow(idB);
    EXPECT_TRUE(waitUntil([&] {
        const auto list = windows.windowList();
        return list && indexOf(*list, idB) == 0 && indexOf(*list, idA) == 1;
    }));
}

TEST(WindowListX11, BoundsIncludeTheFrameAndTheOwnerIsThisProcess)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(220, 180, 320, 240));
    const auto id = quint32(w->winId());
    ASSERT_TRUE(waitUntil([&] { return listed(windows, id); }));
    // Qt knows where the client sits; openbox adds 1 left and right, 20 on top, 5 below.
    ASSERT_TRUE(waitUntil([&] { return w->geometry().topLeft() != QPoint(0, 0); }));
    const auto list = windows.windowList();
    const WindowInfo *info = find(*list, id);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bounds, QRectF(w->geometry().adjusted(-1, -20, 1, 5)));
    EXPECT_EQ(info->pid, ::getpid());
    EXPECT_EQ(info->layer, 0);
    EXPECT_FALSE(info->alpha);
    EXPECT_EQ(windows.windowFrame(id), info->bounds);
}

TEST(WindowListX11, OpacityGivesTheAlpha)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(100, 300, 200, 150));
    w->setWindowOpacity(0.5);
    const auto id = quint32(w->winId());
    ASSERT_TRUE(waitUntil([&] {
        const auto list = windows.windowList();
        const WindowInfo *info = list ? find(*list, id) : nullptr;
        return info && info->alpha;
    }));
    const WindowInfo *info = find(*windows.windowList(), id);
    EXPECT_NEAR(*info->alpha, 0.5, 0.01);
}

TEST(WindowListX11, DocksAndWindowsKeptAboveGetALayer)
{
    X11WindowSystem windows;
    const auto above = showWindow(QRect(300, 300, 200, 100), Qt::WindowStaysOnTopHint);
    const auto plain = showWindow(QRect(350, 350, 200, 100));
    OtherClient other;
    const quint32 dock = other.createDock(0, 1040, 1920, 40);
    const auto idAbove = quint32(above->winId());
    const auto idPlain = quint32(plain->winId());
    ASSERT_TRUE(waitUntil([&] {
        return listed(windows, idAbove) && listed(windows, idPlain) && listed(windows, dock);
    }));
    const auto list = windows.windowList();
    EXPECT_NE(find(*list, idAbove)->layer, 0);
    EXPECT_NE(find(*list, dock)->layer, 0);
    EXPECT_EQ(find(*list, idPlain)->layer, 0);
    // The dock's connection is this process too; XRes names it.
    EXPECT_EQ(find(*list, dock)->pid, ::getpid());
}

TEST(WindowListX11, MinimizedWindowsAreLeftOut)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(100, 100, 200, 150));
    const auto id = quint32(w->winId());
    ASSERT_TRUE(waitUntil([&] { return listed(windows, id); }));
    w->showMinimized();
    EXPECT_TRUE(waitUntil([&] { return !listed(windows, id); }));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(id));
}

TEST(WindowListX11, SetWindowFrameLandsTheFrameWhereAskedForOursAndAnotherProgramsWindow)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(100, 100, 300, 200));
    const auto own = quint32(w->winId());
    // xeyes sets no _NET_WM_PID, so the window list has to ask XRes for its process.
    Client eyes(QStringLiteral("xeyes"));
    std::optional<quint32> other;
    ASSERT_TRUE(waitUntil([&] {
        return listed(windows, own) && (other = windowOf(windows, eyes.pid())).has_value();
    }));
    EXPECT_FALSE(OtherClient().hasPidProperty(*other));
    for (const auto &[id, target] :
         {std::pair{own, QRectF(410, 230, 520, 360)}, {*other, QRectF(50, 60, 240, 180)}}) {
        ASSERT_TRUE(windows.setWindowFrame(id, target));
        const auto frame = [&] { return windows.windowFrame(id).value_or(QRectF()); };
        EXPECT_TRUE(waitUntil([&] { return near(frame(), target); }))
            << "frame now " << frame().x() << "," << frame().y() << " " << frame().width() << "x"
            << frame().height();
    }
    // The client is the frame less openbox's extents.
    EXPECT_TRUE(waitUntil([&] { return w->size() == QSize(518, 335); }));
}

TEST(WindowListX11, StandardWindowsAreTheAppsNormalOnesTopmostFirst)
{
    X11WindowSystem windows;
    const auto a = showWindow(QRect(100, 100, 200, 150));
    const auto b = showWindow(QRect(200, 200, 200, 150));
    const auto tool = showWindow(QRect(300, 300, 200, 150), Qt::Tool);
    const auto idA = quint32(a->winId());
    const auto idB = quint32(b->winId());
    const auto idTool = quint32(tool->winId());
    ASSERT_TRUE(waitUntil(
        [&] { return listed(windows, idA) && listed(windows, idB) && listed(windows, idTool); }));
    windows.raiseWindow(idA);
    ASSERT_TRUE(waitUntil([&] {
        const QList<quint32> standard = windows.standardWindows(::getpid());
        return standard.indexOf(idA) >= 0 && standard.indexOf(idA) < standard.indexOf(idB);
    }));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(idTool));
    EXPECT_TRUE(waitUntil([&] { return windows.focusedWindow(::getpid()) == idA; }));
    Client eyes(QStringLiteral("xeyes"));
    EXPECT_FALSE(windows.focusedWindow(eyes.pid()));
    EXPECT_TRUE(windows.standardWindows(eyes.pid() + 100000).isEmpty());
}

namespace {

// Desktop entries of the test's own, so the names do not depend on what the machine has.
class WorkspaceX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("org.example.Eyes.desktop")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Watching Eyes\nExec=xeyes\n"
                   "Icon=eyes-icon\nStartupWMClass=XEyes\n");
    }
    QTemporaryDir m_dir;
};

std::optional<RunningApp> appOf(const X11Workspace &workspace, pid_t pid)
{
    for (const RunningApp &app : workspace.runningApplications()) {
        if (app.pid == pid)
            return app;
    }
    return std::nullopt;
}

} // namespace

TEST_F(WorkspaceX11, GroupsWindowsByProcessAndNamesThemFromTheirEntry)
{
    X11Workspace workspace({m_dir.path()}, nullptr);
    X11WindowSystem windows;
    const auto a = showWindow(QRect(100, 100, 200, 150));
    const auto b = showWindow(QRect(200, 200, 200, 150));
    Client eyes(QStringLiteral("xeyes"));
    ASSERT_TRUE(waitUntil([&] {
        return listed(windows, quint32(a->winId())) && listed(windows, quint32(b->winId()))
            && windowOf(windows, eyes.pid());
    }));
    const QList<RunningApp> apps = workspace.runningApplications();
    EXPECT_EQ(std::count_if(apps.begin(), apps.end(),
                            [](const RunningApp &app) { return app.pid == ::getpid(); }),
              1);
    const auto own = appOf(workspace, ::getpid());
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->regular);
    EXPECT_TRUE(own->appId.isEmpty());
    EXPECT_FALSE(own->name.isEmpty()); // the process name

    const auto eyesApp = appOf(workspace, eyes.pid());
    ASSERT_TRUE(eyesApp);
    EXPECT_TRUE(eyesApp->regular);
    EXPECT_EQ(eyesApp->appId, QStringLiteral("org.example.Eyes"));
    EXPECT_EQ(eyesApp->name, QStringLiteral("Watching Eyes"));
    EXPECT_EQ(eyesApp->iconName, QStringLiteral("eyes-icon"));
    ASSERT_TRUE(eyesApp->launchDate);
    EXPECT_LE(*eyesApp->launchDate, QDateTime::currentDateTime().addSecs(2));
    EXPECT_GE(*eyesApp->launchDate, QDateTime::currentDateTime().addSecs(-600));
}

TEST_F(WorkspaceX11, SkipTaskbarWindowsDoNotMakeAnAppRegular)
{
    X11Workspace workspace({m_dir.path()}, nullptr);
    X11WindowSystem windows;
    Client eyes(QStringLiteral("xeyes"));
    std::optional<quint32> id;
    ASSERT_TRUE(waitUntil([&] { return (id = windowOf(windows, eyes.pid())).has_value(); }));
    OtherClient other;
    other.addState(*id, "_NET_WM_STATE_SKIP_TASKBAR");
    EXPECT_TRUE(waitUntil([&] {
        const auto app = appOf(workspace, eyes.pid());
        return app && !app->regular;
    }));
}

TEST_F(WorkspaceX11, SignalsLaunchActivationAndTermination)
{
    X11Workspace workspace({m_dir.path()}, nullptr);
    QSignalSpy launched(&workspace, &Workspace::launched);
    QSignalSpy activated(&workspace, &Workspace::activated);
    QSignalSpy terminated(&workspace, &Workspace::terminated);
    // xeyes takes no focus, so openbox would not make it active; xcalc does.
    auto eyes = std::make_unique<Client>(QStringLiteral("xcalc"));
    const pid_t pid = eyes->pid();
    auto saw = [](const QSignalSpy &spy, pid_t p) {
        for (const QList<QVariant> &args : spy) {
            if (args.at(0).value<pid_t>() == p)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(waitUntil([&] { return saw(launched, pid); }));

    EXPECT_TRUE(workspace.activate(pid));
    EXPECT_TRUE(waitUntil([&] { return saw(activated, pid); }));
    const auto front = workspace.frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->pid, pid);

    eyes->quit();
    EXPECT_TRUE(waitUntil([&] { return saw(terminated, pid); }));
    EXPECT_FALSE(workspace.application(pid));
    EXPECT_FALSE(workspace.activate(pid));
}

TEST_F(WorkspaceX11, OpensOnlyKnownEntries)
{
    X11Workspace workspace({m_dir.path()}, nullptr);
    EXPECT_FALSE(workspace.openApplication(QStringLiteral("org.example.Missing")));
    EXPECT_FALSE(workspace.openApplication(QString()));
    QSignalSpy launched(&workspace, &Workspace::launched);
    ASSERT_TRUE(workspace.openApplication(QStringLiteral("org.example.Eyes")));
    ASSERT_TRUE(waitUntil([&] { return !launched.isEmpty(); }));
    const auto app = workspace.application(launched.first().at(0).value<pid_t>());
    ASSERT_TRUE(app);
    EXPECT_EQ(app->appId, QStringLiteral("org.example.Eyes"));
    ::kill(app->pid, SIGTERM);
}

// The target under the pointer, found by the real window list on the real display; the dwell
// runs on a fake clock.
TEST(WindowListX11, TargetUnderThePointerIsTheWindowBeneathIt)
{
    X11WindowSystem windows;
    X11Workspace workspace;
    LinuxScreens screens;
    ProcSystemStats stats;
    FakeClock clock;
    TargetMonitor target(screens, windows, workspace, stats, clock, ::getpid());

    Client eyes(QStringLiteral("xclock"));
    std::optional<quint32> id;
    ASSERT_TRUE(waitUntil([&] { return (id = windowOf(windows, eyes.pid())).has_value(); }))
        << "xclock never appeared";
    const QRectF frame = *windows.windowFrame(*id);

    // Moves with --sync return once the pointer is there.
    xdotool(QStringLiteral("mousemove --sync %1 %2")
                .arg(int(frame.center().x()))
                .arg(int(frame.center().y())));
    target.pollPointer();
    EXPECT_FALSE(target.gaze()) << "the dwell has not passed yet";
    clock.advance(0.4);
    target.pollPointer();
    ASSERT_TRUE(target.gaze());
    EXPECT_EQ(target.gaze()->pid, eyes.pid());
    const double h = screens.mainScreen().frame.height();
    EXPECT_TRUE(near(target.gaze()->frame, YUp::flip(frame, h)));
    EXPECT_NE(target.name(), QStringLiteral("Unknown"));

    // Over the bare desktop the gaze lasts a little, then goes.
    xdotool("mousemove --sync 5 1075");
    clock.advance(0.5);
    target.pollPointer();
    EXPECT_TRUE(target.gaze());
    // A resting pointer looks again on every seventh poll.
    for (int i = 0; i < 7; ++i) {
        clock.advance(0.15);
        target.pollPointer();
    }
    EXPECT_FALSE(target.gaze());
}

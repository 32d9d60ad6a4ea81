#include "monitors/TargetMonitor.h"
#include "platform/Geometry.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/ProcSystemStats.h"
#include "platform/linux/X11Workspace.h"

#include "fakes/FakeClock.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <csignal>

#include <unistd.h>

// Runs on a private Xvfb display with openbox, whose frame adds 1, 1, 20, 5 (left, right, top,
// bottom) around a decorated client.
namespace {

constexpr int kWaitMs = 10000;

// Another program's windows: a connection of its own that sets no _NET_WM_PID.
class OtherClient final
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    xcb_window_t createDock(int x, int y, int width, int height)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, int16_t(x),
                          int16_t(y), uint16_t(width), uint16_t(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window,
                            atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
        return window;
    }

    // Asks the manager to add a state to another client's window.
    void addState(xcb_window_t window, const char *state)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("_NET_WM_STATE");
        event.data.data32[0] = 1; // add
        event.data.data32[1] = atom(state);
        event.data.data32[3] = 2;
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(m_connection);
    }

    // Whether the window carries _NET_WM_PID at all.
    bool hasPidProperty(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        const bool has = reply && xcb_get_property_value_length(reply) > 0;
        std::free(reply);
        return has;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t out = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return out;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
};

// Another X program; xeyes sets no _NET_WM_PID, so the window list has to ask XRes.
class Xeyes final
{
public:
    explicit Xeyes(const QString &program = QStringLiteral("xeyes"))
    {
        m_process.start(program, {QStringLiteral("-geometry"), QStringLiteral("+600+400")});
        m_process.waitForStarted();
    }
    ~Xeyes() { quit(); }
    pid_t pid() const { return pid_t(m_process.processId()); }
    void quit()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

std::unique_ptr<QWidget> showWindow(const QRect &geometry, Qt::WindowFlags flags = {})
{
    auto widget = std::make_unique<QWidget>(nullptr, flags);
    widget->setGeometry(geometry);
    widget->setMinimumSize(50, 50);
    widget->show();
    return widget;
}

const WindowInfo *find(const QList<WindowInfo> &list, quint32 id)
{
    for (const WindowInfo &w : list) {
        if (w.id == id)
            return &w;
    }
    return nullptr;
}

qsizetype indexOf(const QList<WindowInfo> &list, quint32 id)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).id == id)
            return i;
    }
    return -1;
}

bool listed(const X11WindowSystem &windows, quint32 id)
{
    const auto list = windows.windowList();
    return list && find(*list, id);
}

std::optional<quint32> windowOf(const X11WindowSystem &windows, pid_t pid)
{
    const auto list = windows.windowList();
    if (!list)
        return std::nullopt;
    for (const WindowInfo &w : *list) {
        if (w.pid == pid)
            return w.id;
    }
    return std::nullopt;
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
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return listed(windows, idA) && listed(windows, idB); }, kWaitMs));
    windows.raiseWindow(idA);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto list = windows.windowList();
            return list && indexOf(*list, idA) < indexOf(*list, idB);
        },
        kWaitMs));
    windows.raiseWindow(idB);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto list = windows.windowList();
            return list && indexOf(*list, idB) == 0 && indexOf(*list, idA) == 1;
        },
        kWaitMs));
}

TEST(WindowListX11, BoundsIncludeTheFrameAndTheOwnerIsThisProcess)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(220, 180, 320, 240));
    const auto id = quint32(w->winId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed(windows, id); }, kWaitMs));
    // Qt knows where the client sits; openbox adds 1 left and right, 20 on top, 5 below.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->geometry().topLeft() != QPoint(0, 0); }, kWaitMs));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto list = windows.windowList();
            const WindowInfo *info = list ? find(*list, id) : nullptr;
            return info && info->alpha;
        },
        kWaitMs));
    const WindowInfo *info = find(*windows.windowList(), id);
    EXPECT_NEAR(*info->alpha, 0.5, 0.01);
}

TEST(WindowListX11, FindsThePidOfAClientWithoutNetWmPid)
{
    X11WindowSystem windows;
    Xeyes eyes;
    ASSERT_GT(eyes.pid(), 0);
    std::optional<quint32> id;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (id = windowOf(windows, eyes.pid())).has_value(); }, kWaitMs));
    OtherClient other;
    EXPECT_FALSE(other.hasPidProperty(*id));
}

TEST(WindowListX11, DocksAndWindowsKeptAboveGetALayer)
{
    X11WindowSystem windows;
    const auto above = showWindow(QRect(300, 300, 200, 100), Qt::WindowStaysOnTopHint);
    const auto plain = showWindow(QRect(350, 350, 200, 100));
    OtherClient other;
    const xcb_window_t dock = other.createDock(0, 1040, 1920, 40);
    const auto idAbove = quint32(above->winId());
    const auto idPlain = quint32(plain->winId());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return listed(windows, idAbove) && listed(windows, idPlain) && listed(windows, dock);
        },
        kWaitMs));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed(windows, id); }, kWaitMs));
    w->showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !listed(windows, id); }, kWaitMs));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(id));
}

TEST(WindowListX11, SetWindowFrameLandsTheFrameWhereAsked)
{
    X11WindowSystem windows;
    const auto w = showWindow(QRect(100, 100, 300, 200));
    const auto id = quint32(w->winId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed(windows, id); }, kWaitMs));
    const QRectF target(410, 230, 520, 360);
    ASSERT_TRUE(windows.setWindowFrame(id, target));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return near(windows.windowFrame(id).value_or(QRectF()), target); }, kWaitMs))
        << "frame now " << windows.windowFrame(id).value_or(QRectF()).x() << ","
        << windows.windowFrame(id).value_or(QRectF()).y() << " "
        << windows.windowFrame(id).value_or(QRectF()).width() << "x"
        << windows.windowFrame(id).value_or(QRectF()).height();
    // The client is the frame less openbox's extents.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->size() == QSize(518, 335); }, kWaitMs));
}

TEST(WindowListX11, SetWindowFrameMovesAnotherProgramsWindow)
{
    X11WindowSystem windows;
    Xeyes eyes;
    std::optional<quint32> id;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (id = windowOf(windows, eyes.pid())).has_value(); }, kWaitMs));
    const QRectF target(50, 60, 240, 180);
    ASSERT_TRUE(windows.setWindowFrame(*id, target));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return near(windows.windowFrame(*id).value_or(QRectF()), target); }, kWaitMs));
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return listed(windows, idA) && listed(windows, idB) && listed(windows, idTool); },
        kWaitMs));
    windows.raiseWindow(idA);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QList<quint32> standard = windows.standardWindows(::getpid());
            return standard.indexOf(idA) >= 0 && standard.indexOf(idA) < standard.indexOf(idB);
        },
        kWaitMs));
    EXPECT_FALSE(windows.standardWindows(::getpid()).contains(idTool));
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows.focusedWindow(::getpid()) == idA; }, kWaitMs));
    Xeyes eyes;
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
    Xeyes eyes;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return listed(windows, quint32(a->winId())) && listed(windows, quint32(b->winId()))
                && windowOf(windows, eyes.pid());
        },
        kWaitMs));
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
    Xeyes eyes;
    std::optional<quint32> id;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (id = windowOf(windows, eyes.pid())).has_value(); }, kWaitMs));
    OtherClient other;
    other.addState(*id, "_NET_WM_STATE_SKIP_TASKBAR");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto app = appOf(workspace, eyes.pid());
            return app && !app->regular;
        },
        kWaitMs));
}

TEST_F(WorkspaceX11, SignalsLaunchActivationAndTermination)
{
    X11Workspace workspace({m_dir.path()}, nullptr);
    QSignalSpy launched(&workspace, &Workspace::launched);
    QSignalSpy activated(&workspace, &Workspace::activated);
    QSignalSpy terminated(&workspace, &Workspace::terminated);
    // xeyes takes no focus, so openbox would not make it active; xcalc does.
    auto eyes = std::make_unique<Xeyes>(QStringLiteral("xcalc"));
    const pid_t pid = eyes->pid();
    auto saw = [](const QSignalSpy &spy, pid_t p) {
        for (const QList<QVariant> &args : spy) {
            if (args.at(0).value<pid_t>() == p)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return saw(launched, pid); }, kWaitMs));

    EXPECT_TRUE(workspace.activate(pid));
    EXPECT_TRUE(QTest::qWaitFor([&] { return saw(activated, pid); }, kWaitMs));
    const auto front = workspace.frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->pid, pid);

    eyes->quit();
    EXPECT_TRUE(QTest::qWaitFor([&] { return saw(terminated, pid); }, kWaitMs));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launched.isEmpty(); }, kWaitMs));
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

    Xeyes eyes(QStringLiteral("xclock"));
    std::optional<quint32> id;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !(id = windowOf(windows, eyes.pid())))
        QTest::qWait(100);
    ASSERT_TRUE(id) << "xclock never appeared";
    const QRectF frame = *windows.windowFrame(*id);

    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(int(frame.center().x())),
                       QString::number(int(frame.center().y()))});
    QTest::qWait(200);
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
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("1075")});
    QTest::qWait(200);
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

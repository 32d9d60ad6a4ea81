#include "fakes/FakeAppPaths.h"
#include "fakes/FakeFeedback.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"
#include "support/TestEnvironment.h"
#include "windows/WindowArranger.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>
#include <ostream>

#include <unistd.h>

// Runs the real arranger against other programs' windows on the private Xvfb display with
// openbox. Geometry is read back with xwininfo and xprop, not through the window system the
// arranger writes with.
namespace {

constexpr int kWaitMs = 10000;
constexpr int kEquipWaitMs = 20000;
constexpr double kTolerance = 4;

// Another X program started with a geometry of its own; stopped when the test ends.
class Client final
{
public:
    Client(const QString &program, const QString &geometry)
    {
        m_process.start(program, {QStringLiteral("-geometry"), geometry});
        m_process.waitForStarted();
    }
    ~Client() { quit(); }
    pid_t pid() const { return pid_t(m_process.processId()); }
    void quit()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

private:
    QProcess m_process;
};

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

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int field(const QString &text, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label)
                                + QStringLiteral(":\\s*(-?\\d+)"));
    const auto match = re.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// The frame of a managed window in root coordinates, read with xwininfo (the client area) and
// xprop (openbox's frame extents).
std::optional<QRectF> frameOnScreen(quint32 window)
{
    const QString id = QStringLiteral("0x") + QString::number(window, 16);
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    if (!info.contains(QStringLiteral("Absolute upper-left X")))
        return std::nullopt;
    const QString extentsText = run(
        QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QRegularExpression re(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"));
    const auto match = re.match(extentsText);
    if (!match.hasMatch())
        return std::nullopt;
    const int left = match.captured(1).toInt();
    const int right = match.captured(2).toInt();
    const int top = match.captured(3).toInt();
    const int bottom = match.captured(4).toInt();
    const int x = field(info, QStringLiteral("Absolute upper-left X"));
    const int y = field(info, QStringLiteral("Absolute upper-left Y"));
    const int width = field(info, QStringLiteral("Width"));
    const int height = field(info, QStringLiteral("Height"));
    return QRectF(x - left, y - top, width + left + right, height + top + bottom);
}

bool near(const QRectF &a, const QRectF &b)
{
    return std::abs(a.x() - b.x()) <= kTolerance && std::abs(a.y() - b.y()) <= kTolerance
        && std::abs(a.width() - b.width()) <= kTolerance
        && std::abs(a.height() - b.height()) <= kTolerance;
}

std::string describe(const std::optional<QRectF> &r)
{
    if (!r)
        return "no frame";
    return std::to_string(int(r->x())) + "," + std::to_string(int(r->y())) + " "
        + std::to_string(int(r->width())) + "x" + std::to_string(int(r->height()));
}

class WindowArrangerX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_entries.isValid());
        writeEntry(QStringLiteral("org.example.Eyes"), QStringLiteral("Watching Eyes"),
                   QStringLiteral("xeyes"), QStringLiteral("XEyes"));
        writeEntry(QStringLiteral("org.example.Calc"), QStringLiteral("Pocket Calculator"),
                   QStringLiteral("xcalc"), QStringLiteral("XCalc"));
        const QString base = TestEnvironment::home() + QStringLiteral("/arranger-x11");
        QDir(base).removeRecursively();
        m_paths = std::make_unique<FakeAppPaths>(base + QStringLiteral("/data"),
                                                 base + QStringLiteral("/resources"));
        m_workspace = std::make_unique<X11Workspace>(QStringList{m_entries.path()}, nullptr);
    }

    void writeEntry(const QString &id, const QString &name, const QString &exec,
                    const QString &wmClass)
    {
        QFile file(m_entries.filePath(id + QStringLiteral(".desktop")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                  "StartupWMClass=%3\n")
                       .arg(name, exec, wmClass)
                       .toUtf8());
    }

    // An arranger over the real services; `ownPid` and `gaze` stand in for the HUD's own
    // process and the target monitor.
    std::unique_ptr<WindowArranger> makeArranger(pid_t ownPid = ::getpid(),
                                                 std::optional<pid_t> gaze = std::nullopt)
    {
        m_feedback.run = FakeFeedback::Run::onTimers;
        return std::make_unique<WindowArranger>(m_windows, *m_workspace, m_screens, *m_paths,
                                                m_clock, m_feedback, [gaze] { return gaze; },
                                                ownPid);
    }

    // The work area of the primary screen in root coordinates.
    QRectF workArea() const
    {
        const QList<ScreenInfo> screens = m_screens.screens();
        if (screens.isEmpty())
            return {};
        return YUp::flip(screens.first().visibleFrame, screens.first().frame.height());
    }

    std::optional<quint32> waitForWindow(pid_t pid)
    {
        std::optional<quint32> id;
        if (!QTest::qWaitFor([&] { return (id = windowOf(m_windows, pid)).has_value(); }, kWaitMs))
            return std::nullopt;
        return id;
    }

    bool waitForFrame(quint32 window, const QRectF &expected)
    {
        return QTest::qWaitFor(
            [&] {
                const auto frame = frameOnScreen(window);
                return frame && near(*frame, expected);
            },
            kWaitMs);
    }

    // Raises and focuses `pid` and waits until the workspace names it frontmost.
    bool bringToFront(pid_t pid)
    {
        if (!m_workspace->activate(pid))
            return false;
        return QTest::qWaitFor(
            [&] {
                const auto front = m_workspace->frontmostApplication();
                return front && front->pid == pid;
            },
            kWaitMs);
    }

    QTemporaryDir m_entries;
    X11WindowSystem m_windows;
    LinuxScreens m_screens;
    SystemClock m_clock;
    std::unique_ptr<FakeAppPaths> m_paths;
    std::unique_ptr<X11Workspace> m_workspace;
    FakeFeedback m_feedback;
    QList<FakeFeedback::Toast> &m_toasts = m_feedback.toasts;
    QList<QPair<SoundCue, float>> &m_cues = m_feedback.cues;
};

} // namespace

TEST_F(WindowArrangerX11, SnapsTheActiveWindowIntoTheLeftHalfOfTheWorkArea)
{
    ASSERT_TRUE(m_windows.trusted());
    Client eyes(QStringLiteral("xeyes"), QStringLiteral("300x200+100+100"));
    Client calc(QStringLiteral("xcalc"), QStringLiteral("300x200+500+300"));
    const auto eyesWindow = waitForWindow(eyes.pid());
    const auto calcWindow = waitForWindow(calc.pid());
    ASSERT_TRUE(eyesWindow && calcWindow);
    const auto eyesBefore = frameOnScreen(*eyesWindow);
    ASSERT_TRUE(eyesBefore);

    const QRectF area = workArea();
    ASSERT_GT(area.width(), 0);
    ASSERT_GT(area.height(), 0);
    const QRectF leftHalf(area.x(), area.y(), area.width() / 2, area.height());

    // xcalc takes focus; openbox would not make xeyes (or xclock) active.
    ASSERT_TRUE(bringToFront(calc.pid()));
    auto arranger = makeArranger();
    ASSERT_TRUE(arranger->trusted());
    arranger->snap(SnapZone::leftHalf);
    EXPECT_TRUE(waitForFrame(*calcWindow, leftHalf))
        << "xcalc is at " << describe(frameOnScreen(*calcWindow)) << ", wanted "
        << describe(leftHalf);
    EXPECT_TRUE(m_toasts.isEmpty());
    ASSERT_EQ(m_cues.size(), 1);
    EXPECT_EQ(m_cues.first().first, SoundCue::select);
    // Only the active window moved.
    EXPECT_TRUE(near(frameOnScreen(*eyesWindow).value_or(QRectF()), *eyesBefore))
        << "xeyes is at " << describe(frameOnScreen(*eyesWindow));

    eyes.quit();
    calc.quit();
}

TEST_F(WindowArrangerX11, WhenTheHudIsFrontmostSnapsTheWindowUnderThePointerOrRefuses)
{
    ASSERT_TRUE(m_windows.trusted());
    Client eyes(QStringLiteral("xeyes"), QStringLiteral("300x200+100+100"));
    Client calc(QStringLiteral("xcalc"), QStringLiteral("300x200+500+300"));
    const auto eyesWindow = waitForWindow(eyes.pid());
    const auto calcWindow = waitForWindow(calc.pid());
    ASSERT_TRUE(eyesWindow && calcWindow);
    ASSERT_TRUE(bringToFront(calc.pid()));
    const auto calcBefore = frameOnScreen(*calcWindow);
    const auto eyesBefore = frameOnScreen(*eyesWindow);
    ASSERT_TRUE(calcBefore && eyesBefore);

    // The frontmost process counts as ours and nothing is under the pointer: nothing moves.
    {
        auto arranger = makeArranger(calc.pid());
        arranger->snap(SnapZone::leftHalf);
        ASSERT_EQ(m_toasts.size(), 1);
        EXPECT_EQ(m_toasts.first().title, QStringLiteral("Nothing to move"));
        EXPECT_TRUE(m_cues.isEmpty());
        QTest::qWait(500);
        EXPECT_TRUE(near(frameOnScreen(*calcWindow).value_or(QRectF()), *calcBefore))
            << "xcalc is at " << describe(frameOnScreen(*calcWindow));
        EXPECT_TRUE(near(frameOnScreen(*eyesWindow).value_or(QRectF()), *eyesBefore))
            << "xeyes is at " << describe(frameOnScreen(*eyesWindow));
    }

    // With xeyes under the pointer, its window is the one that goes.
    m_toasts.clear();
    const QRectF area = workArea();
    const QRectF rightHalf(area.x() + area.width() / 2, area.y(), area.width() / 2, area.height());
    auto arranger = makeArranger(calc.pid(), eyes.pid());
    arranger->snap(SnapZone::rightHalf);
    EXPECT_TRUE(waitForFrame(*eyesWindow, rightHalf))
        << "xeyes is at " << describe(frameOnScreen(*eyesWindow)) << ", wanted "
        << describe(rightHalf);
    EXPECT_TRUE(m_toasts.isEmpty());
    EXPECT_TRUE(near(frameOnScreen(*calcWindow).value_or(QRectF()), *calcBefore))
        << "xcalc is at " << describe(frameOnScreen(*calcWindow));

    eyes.quit();
    calc.quit();
}

TEST_F(WindowArrangerX11, EquipPutsCapturedWindowsBackWhereTheyWere)
{
    ASSERT_TRUE(m_windows.trusted());
    Client eyes(QStringLiteral("xeyes"), QStringLiteral("300x200+100+100"));
    Client calc(QStringLiteral("xcalc"), QStringLiteral("300x200+500+300"));
    const auto eyesWindow = waitForWindow(eyes.pid());
    const auto calcWindow = waitForWindow(calc.pid());
    ASSERT_TRUE(eyesWindow && calcWindow);

    // Placed apart from where they started, both larger than the smallest captured size.
    const QRectF eyesPlace(120, 140, 520, 380);
    const QRectF calcPlace(900, 300, 460, 420);
    ASSERT_TRUE(m_windows.setWindowFrame(*eyesWindow, eyesPlace));
    ASSERT_TRUE(m_windows.setWindowFrame(*calcWindow, calcPlace));
    ASSERT_TRUE(waitForFrame(*eyesWindow, eyesPlace))
        << "xeyes is at " << describe(frameOnScreen(*eyesWindow));
    ASSERT_TRUE(waitForFrame(*calcWindow, calcPlace))
        << "xcalc is at " << describe(frameOnScreen(*calcWindow));
    const auto eyesCaptured = frameOnScreen(*eyesWindow);
    const auto calcCaptured = frameOnScreen(*calcWindow);

    auto arranger = makeArranger();
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    const Loadout loadout = arranger->loadouts().first();
    ASSERT_EQ(loadout.entries.size(), 2);
    QStringList ids;
    for (const Loadout::Entry &e : loadout.entries)
        ids.append(e.bundleID);
    ids.sort();
    EXPECT_EQ(
        ids, (QStringList{QStringLiteral("org.example.Calc"), QStringLiteral("org.example.Eyes")}));
    ASSERT_FALSE(m_toasts.isEmpty());
    EXPECT_EQ(m_toasts.last().title, QStringLiteral("Loadout saved"));

    // Moved and resized elsewhere.
    const QRectF eyesAway(1300, 600, 400, 300);
    const QRectF calcAway(700, 80, 350, 260);
    ASSERT_TRUE(m_windows.setWindowFrame(*eyesWindow, eyesAway));
    ASSERT_TRUE(m_windows.setWindowFrame(*calcWindow, calcAway));
    ASSERT_TRUE(waitForFrame(*eyesWindow, eyesAway))
        << "xeyes is at " << describe(frameOnScreen(*eyesWindow));
    ASSERT_TRUE(waitForFrame(*calcWindow, calcAway))
        << "xcalc is at " << describe(frameOnScreen(*calcWindow));

    m_toasts.clear();
    bool done = false;
    arranger->equip(loadout, [&done] { done = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kEquipWaitMs));
    EXPECT_TRUE(waitForFrame(*eyesWindow, *eyesCaptured))
        << "xeyes is at " << describe(frameOnScreen(*eyesWindow)) << ", captured at "
        << describe(eyesCaptured);
    EXPECT_TRUE(waitForFrame(*calcWindow, *calcCaptured))
        << "xcalc is at " << describe(frameOnScreen(*calcWindow)) << ", captured at "
        << describe(calcCaptured);
    ASSERT_EQ(m_toasts.size(), 1);
    EXPECT_TRUE(m_toasts.first().title.startsWith(QStringLiteral("Equipped ")));
    EXPECT_TRUE(m_toasts.first().message.startsWith(QStringLiteral("2 windows placed.")))
        << m_toasts.first().message.toStdString();

    eyes.quit();
    calc.quit();
}

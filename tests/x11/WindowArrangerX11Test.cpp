#include "fakes/FakeAppPaths.h"
#include "fakes/FakeFeedback.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"
#include "support/TestEnvironment.h"
#include "windows/WindowArranger.h"

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>
#include <optional>

#include <unistd.h>

// Runs the real arranger against other programs' windows on the private Xvfb display with
// openbox. Geometry is read back with xwininfo and xprop, not through the window system the
// arranger writes with.
namespace {

using namespace X11Probe;

constexpr int kWaitMs = 10000;
constexpr int kEquipWaitMs = 20000;
constexpr double kTolerance = 4;

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

std::string where(quint32 window)
{
    return describe(frameOnScreen(window));
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
        return std::make_unique<WindowArranger>(
            m_windows, *m_workspace, m_screens, *m_paths, m_clock, m_feedback,
            [gaze] { return gaze; }, ownPid);
    }

    // The work area of the primary screen in root coordinates.
    QRectF workArea() const
    {
        const QList<ScreenInfo> screens = m_screens.screens();
        if (screens.isEmpty())
            return {};
        return YUp::flip(screens.first().visibleFrame, screens.first().frame.height());
    }

    static bool waitForFrame(quint32 window, const QRectF &expected)
    {
        return waitUntil([&] { return near(frameOnScreen(window).value_or(QRectF()), expected); },
                         kWaitMs);
    }

    // Raises and focuses `pid` and waits until the workspace names it frontmost.
    bool bringToFront(pid_t pid)
    {
        if (!m_workspace->activate(pid))
            return false;
        return waitUntil(
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
    TwoClients apps(m_windows);
    ASSERT_TRUE(apps.eyesWindow && apps.calcWindow);
    const auto eyesBefore = frameOnScreen(*apps.eyesWindow);
    ASSERT_TRUE(eyesBefore);
    const QRectF area = workArea();
    ASSERT_FALSE(area.isEmpty());
    const QRectF leftHalf(area.x(), area.y(), area.width() / 2, area.height());

    ASSERT_TRUE(bringToFront(apps.calc.pid()));
    auto arranger = makeArranger();
    ASSERT_TRUE(arranger->trusted());
    arranger->snap(SnapZone::leftHalf);
    EXPECT_TRUE(waitForFrame(*apps.calcWindow, leftHalf))
        << "xcalc is at " << where(*apps.calcWindow) << ", wanted " << describe(leftHalf);
    EXPECT_TRUE(m_toasts.isEmpty());
    ASSERT_EQ(m_cues.size(), 1);
    EXPECT_EQ(m_cues.first().first, SoundCue::select);
    // Only the active window moved.
    EXPECT_TRUE(near(frameOnScreen(*apps.eyesWindow).value_or(QRectF()), *eyesBefore))
        << "xeyes is at " << where(*apps.eyesWindow);
}

TEST_F(WindowArrangerX11, WhenTheHudIsFrontmostSnapsTheWindowUnderThePointerOrRefuses)
{
    ASSERT_TRUE(m_windows.trusted());
    TwoClients apps(m_windows);
    ASSERT_TRUE(apps.eyesWindow && apps.calcWindow);
    ASSERT_TRUE(bringToFront(apps.calc.pid()));
    const auto calcBefore = frameOnScreen(*apps.calcWindow);
    ASSERT_TRUE(calcBefore);

    // The frontmost process counts as ours and nothing is under the pointer: nothing to move.
    makeArranger(apps.calc.pid())->snap(SnapZone::leftHalf);
    ASSERT_EQ(m_toasts.size(), 1);
    EXPECT_EQ(m_toasts.first().title, QStringLiteral("Nothing to move"));
    EXPECT_TRUE(m_cues.isEmpty());

    // With xeyes under the pointer, its window is the one that goes.
    m_toasts.clear();
    const QRectF area = workArea();
    const QRectF rightHalf(area.x() + area.width() / 2, area.y(), area.width() / 2, area.height());
    auto arranger = makeArranger(apps.calc.pid(), apps.eyes.pid());
    arranger->snap(SnapZone::rightHalf);
    EXPECT_TRUE(waitForFrame(*apps.eyesWindow, rightHalf))
        << "xeyes is at " << where(*apps.eyesWindow) << ", wanted " << describe(rightHalf);
    EXPECT_TRUE(m_toasts.isEmpty());
    // The window manager carries out moves in the order they were asked for: had the refused
    // snap moved xcalc, it would have landed before xeyes did.
    EXPECT_TRUE(near(frameOnScreen(*apps.calcWindow).value_or(QRectF()), *calcBefore))
        << "xcalc is at " << where(*apps.calcWindow);
}

TEST_F(WindowArrangerX11, EquipPutsCapturedWindowsBackWhereTheyWere)
{
    ASSERT_TRUE(m_windows.trusted());
    TwoClients apps(m_windows);
    ASSERT_TRUE(apps.eyesWindow && apps.calcWindow);
    const quint32 eyes = *apps.eyesWindow, calc = *apps.calcWindow;
    // Puts both windows where given, each larger than the smallest captured size.
    const auto place = [&](const QRectF &eyesPlace, const QRectF &calcPlace) {
        ASSERT_TRUE(m_windows.setWindowFrame(eyes, eyesPlace));
        ASSERT_TRUE(m_windows.setWindowFrame(calc, calcPlace));
        ASSERT_TRUE(waitForFrame(eyes, eyesPlace)) << "xeyes is at " << where(eyes);
        ASSERT_TRUE(waitForFrame(calc, calcPlace)) << "xcalc is at " << where(calc);
    };
    place({120, 140, 520, 380}, {900, 300, 460, 420});
    const auto eyesCaptured = frameOnScreen(eyes), calcCaptured = frameOnScreen(calc);

    auto arranger = makeArranger();
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    const Loadout loadout = arranger->loadouts().first();
    QStringList ids;
    for (const Loadout::Entry &e : loadout.entries)
        ids.append(e.bundleID);
    ids.sort();
    EXPECT_EQ(ids, (QStringList{"org.example.Calc", "org.example.Eyes"}));
    ASSERT_FALSE(m_toasts.isEmpty());
    EXPECT_EQ(m_toasts.last().title, QStringLiteral("Loadout saved"));

    place({1300, 600, 400, 300}, {700, 80, 350, 260});
    m_toasts.clear();
    bool done = false;
    arranger->equip(loadout, [&done] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }, kEquipWaitMs));
    EXPECT_TRUE(waitForFrame(eyes, *eyesCaptured))
        << "xeyes is at " << where(eyes) << ", captured at " << describe(eyesCaptured);
    EXPECT_TRUE(waitForFrame(calc, *calcCaptured))
        << "xcalc is at " << where(calc) << ", captured at " << describe(calcCaptured);
    ASSERT_EQ(m_toasts.size(), 1);
    EXPECT_TRUE(m_toasts.first().title.startsWith(QStringLiteral("Equipped ")));
    EXPECT_TRUE(m_toasts.first().message.startsWith(QStringLiteral("2 windows placed.")))
        << m_toasts.first().message.toStdString();
}

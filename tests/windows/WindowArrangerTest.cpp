#include "windows/WindowArranger.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <utility>

namespace {

struct Toast
{
    QString title;
    QString message;
    double duration = 0;
};

constexpr pid_t ownPid = 4242;

const QString untrustedText
    = QStringLiteral("Kaidro can move windows only in an X11 session with an EWMH window manager.");

class Arranger : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeScreens screens;
    FakeAppPaths paths{dir.filePath(QStringLiteral("Vantle")), {}};
    FakeClock clock;
    QList<Toast> toasts;
    QList<std::pair<CoreSoundEngine::Cue, float>> cues;
    std::optional<pid_t> gaze;
    // Waits the arranger asked for, run only when the test says so.
    QList<std::pair<int, std::function<void()>>> waits;
    std::unique_ptr<WindowArranger> arranger;

    void SetUp() override
    {
        screens.setScreens({FakeScreens::make(QStringLiteral("primary"), {0, 0, 1440, 900})});
        make();
    }

    void make()
    {
        arranger = std::make_unique<WindowArranger>(
            windows, workspace, screens, paths, clock,
            [this](const QString &t, const QString &m, double d) {
                toasts.append({t, m, d});
            },
            [this](CoreSoundEngine::Cue c, float v) {
                cues.append({c, v});
            },
            [this] { return gaze; }, ownPid,
            [this](int ms, std::function<void()> then) {
                waits.append({ms, std::move(then)});
            });
    }

    // Runs waits in order until none is left; returns how many ran with `ms`.
    int runWaits(int ms = -1)
    {
        int count = 0;
        while (!waits.isEmpty()) {
            auto [delay, then] = waits.takeFirst();
            count += delay == ms;
            then();
        }
        return count;
    }

    void addApp(pid_t pid, const QString &name, const QString &id, QList<quint32> ws = {})
    {
        workspace.apps.append(FakeWorkspace::make(pid, name, id));
        windows.standard.insert(pid, ws);
    }

    void expectOneToast(const QString &title, const QString &message)
    {
        ASSERT_EQ(toasts.size(), 1);
        EXPECT_EQ(toasts[0].title, title);
        EXPECT_EQ(toasts[0].message, message);
        EXPECT_EQ(toasts[0].duration, 3.5);
    }

    QString file() const { return paths.dataFile(QStringLiteral("loadouts.json")); }
};

bool near(const QRectF &a, const QRectF &b)
{
    return std::abs(a.x() - b.x()) < 1e-6 && std::abs(a.y() - b.y()) < 1e-6
        && std::abs(a.width() - b.width()) < 1e-6 && std::abs(a.height() - b.height()) < 1e-6;
}

Loadout::Entry entry(const QString &id, int index, QRectF fractions,
                     const QString &display = QStringLiteral("1440x900"))
{
    Loadout::Entry e;
    e.bundleID = id;
    e.appName = id;
    e.index = index;
    e.x = fractions.x();
    e.y = fractions.y();
    e.w = fractions.width();
    e.h = fractions.height();
    e.display = display;
    return e;
}

} // namespace

// Snapping

TEST_F(Arranger, CenterMovesTheFocusedWindowInRootCoordinates)
{
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7, 8});
    workspace.front = 10;
    windows.focused.insert(10, 8);
    windows.frames.insert(8, {100, 100, 400, 300});
    arranger->snap(SnapZone::center);
    ASSERT_EQ(windows.moves.size(), 1);
    EXPECT_EQ(windows.moves[0].first, 8u);
    EXPECT_TRUE(near(windows.moves[0].second, {216, 90, 1008, 720}));
    EXPECT_TRUE(toasts.isEmpty());
    ASSERT_EQ(cues.size(), 1);
    EXPECT_EQ(cues[0], std::make_pair(CoreSoundEngine::Cue::select, 0.5f));
}

TEST_F(Arranger, TopHalfStaysBelowTheTopBar)
{
    // The visible frame loses 25 points at the top; in root coordinates the window starts there.
    screens.setScreens({FakeScreens::make(QStringLiteral("primary"), {0, 0, 1440, 900}, 25)});
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    workspace.front = 10;
    windows.frames.insert(7, {100, 600, 400, 200});
    arranger->snap(SnapZone::topHalf);
    ASSERT_EQ(windows.moves.size(), 1);
    EXPECT_EQ(windows.moves[0].first, 7u);
    EXPECT_TRUE(near(windows.moves[0].second, {0, 25, 1440, 437.5}));
}

TEST_F(Arranger, NextDisplayCyclesThroughScreensInOrder)
{
    // Primary 1440 x 900; a taller one to its right; a third to the left of the primary.
    screens.setScreens({FakeScreens::make(QStringLiteral("a"), {0, 0, 1440, 900}, 25),
                        FakeScreens::make(QStringLiteral("b"), {1440, -180, 1920, 1080}),
                        FakeScreens::make(QStringLiteral("c"), {-1280, 0, 1280, 1024})});
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    workspace.front = 10;
    windows.frames.insert(7, {144, 25 + 87.5, 720, 437.5});
    const QRectF start = windows.frames[7];
    const QList<ScreenInfo> all = screens.screens();
    for (int to : {1, 2, 0}) {
        arranger->snap(SnapZone::nextDisplay);
        const QRectF model = YUp::flip(windows.frames[7], 900);
        EXPECT_EQ(arranger->screenFor(model)->name, all[to].name);
        EXPECT_TRUE(
            near(SnapZones::relativeFractions(model, all[to].visibleFrame), {0.1, 0.1, 0.5, 0.5}));
    }
    EXPECT_EQ(windows.moves.size(), 3);
    EXPECT_TRUE(near(windows.frames[7], start));
}

TEST_F(Arranger, NextDisplayWithOneScreenRefuses)
{
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    workspace.front = 10;
    windows.frames.insert(7, {100, 100, 400, 300});
    arranger->snap(SnapZone::nextDisplay);
    expectOneToast(QStringLiteral("Only one display"),
                   QStringLiteral("Connect another display to send windows across."));
    EXPECT_TRUE(windows.moves.isEmpty());
    EXPECT_TRUE(cues.isEmpty());
}

TEST_F(Arranger, UntrustedSnapRefusesWithTheSessionText)
{
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    workspace.front = 10;
    windows.frames.insert(7, {100, 100, 400, 300});
    windows.trust = false;
    arranger->snap(SnapZone::full);
    expectOneToast(QStringLiteral("Accessibility is off"), untrustedText);
    EXPECT_FALSE(arranger->trusted());
    EXPECT_TRUE(windows.moves.isEmpty());
}

TEST_F(Arranger, TrustIsReadAgainAtEveryOperation)
{
    windows.trust = false;
    make();
    EXPECT_FALSE(arranger->trusted());
    windows.trust = true;
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    workspace.front = 10;
    windows.frames.insert(7, {100, 100, 400, 300});
    arranger->snap(SnapZone::full);
    EXPECT_TRUE(arranger->trusted());
    EXPECT_EQ(windows.moves.size(), 1);
}

TEST_F(Arranger, NothingToMoveWithoutATargetApp)
{
    arranger->snap(SnapZone::leftHalf);
    expectOneToast(QStringLiteral("Nothing to move"),
                   QStringLiteral("Click into the window you want to move, then pick a zone."));
}

TEST_F(Arranger, NothingToMoveWhenEveryWindowIsMinimized)
{
    // Minimized windows are not standard windows, and none is focused.
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {});
    workspace.front = 10;
    arranger->snap(SnapZone::leftHalf);
    expectOneToast(QStringLiteral("Nothing to move"),
                   QStringLiteral("Click into the window you want to move, then pick a zone."));
}

TEST_F(Arranger, WithOurselvesFrontmostTheGazedAppIsMoved)
{
    addApp(ownPid, QStringLiteral("Kaidro"), QStringLiteral("kaidro"), {1});
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {7});
    windows.frames.insert(1, {0, 0, 300, 300});
    windows.frames.insert(7, {100, 100, 400, 300});
    workspace.front = ownPid;
    EXPECT_FALSE(arranger->targetApp());
    gaze = 10;
    EXPECT_EQ(arranger->targetApp()->pid, 10);
    arranger->snap(SnapZone::leftHalf);
    ASSERT_EQ(windows.moves.size(), 1);
    EXPECT_EQ(windows.moves[0].first, 7u);
    // An app that quit since it was gazed at is no target.
    gaze = 99;
    EXPECT_FALSE(arranger->targetApp());
}

// Capturing

TEST_F(Arranger, CaptureKeepsTheFirstThreeWindowsOverTheSizeLimit)
{
    screens.setScreens({FakeScreens::make(QStringLiteral("primary"), {0, 0, 1440, 900}, 25)});
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {1, 2, 3, 4, 5});
    windows.frames.insert(1, {144, 112.5, 720, 437.5});
    windows.frames.insert(2, {0, 0, 120, 400}); // too narrow
    windows.frames.insert(3, {0, 0, 121, 91});
    windows.frames.insert(4, {0, 0, 500, 500}); // fourth: never looked at
    windows.frames.insert(5, {0, 0, 500, 500});
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    const QList<Loadout::Entry> entries = arranger->loadouts()[0].entries;
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].index, 0);
    EXPECT_EQ(entries[1].index, 2);
    EXPECT_NEAR(entries[0].x, 0.1, 1e-9);
    EXPECT_NEAR(entries[0].y, 0.1, 1e-9);
    EXPECT_NEAR(entries[0].w, 0.5, 1e-9);
    EXPECT_NEAR(entries[0].h, 0.5, 1e-9);
    EXPECT_EQ(entries[0].display, QStringLiteral("1440x900"));
    EXPECT_EQ(entries[0].bundleID, QStringLiteral("editor"));
}

TEST_F(Arranger, CaptureNeedsMoreThan90PointsOfHeight)
{
    addApp(10, QStringLiteral("Editor"), QStringLiteral("editor"), {1});
    windows.frames.insert(1, {0, 0, 400, 90});
    arranger->captureLoadout();
    expectOneToast(QStringLiteral("No windows to save"),
                   QStringLiteral("Open a few windows on this Space first."));
    EXPECT_TRUE(arranger->loadouts().isEmpty());
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(Arranger, CaptureSkipsOurselvesBackgroundAppsAndAppsWithoutAnId)
{
    addApp(ownPid, QStringLiteral("Kaidro"), QStringLiteral("kaidro"), {1});
    addApp(11, QStringLiteral("Tray"), QStringLiteral("tray"), {2});
    workspace.apps.last().regular = false;
    addApp(12, QStringLiteral("script"), QString(), {3});
    addApp(13, QString(), QStringLiteral("org.example.Nameless"), {4});
    for (quint32 w : {1u, 2u, 3u, 4u})
        windows.frames.insert(w, {0, 0, 400, 400});
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    const Loadout l = arranger->loadouts()[0];
    ASSERT_EQ(l.entries.size(), 1);
    // Without a name the id stands in.
    EXPECT_EQ(l.entries[0].appName, QStringLiteral("org.example.Nameless"));
    EXPECT_EQ(l.name, QStringLiteral("org.example.Nameless"));
}

TEST_F(Arranger, CaptureNamesTheLoadoutAndReportsIt)
{
    const QStringList names = {"A", "B", "C", "D"};
    for (int i = 0; i < names.size(); ++i) {
        addApp(10 + i, names[i], names[i].toLower(), {quint32(100 + i)});
        windows.frames.insert(100 + i, {0, 0, 400, 400});
    }
    windows.standard[10].append(200);
    windows.frames.insert(200, {400, 0, 400, 400});
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    EXPECT_EQ(arranger->loadouts()[0].name, QStringLiteral("A + B + C +1"));
    EXPECT_EQ(arranger->loadouts()[0].appCount(), 4);
    expectOneToast(QStringLiteral("Loadout saved"),
                   QStringLiteral("A + B + C +1: 5 windows. Only windows on this Space are "
                                  "included; full-screen apps each have their own Space."));
    ASSERT_EQ(cues.size(), 1);
    EXPECT_EQ(cues[0], std::make_pair(CoreSoundEngine::Cue::confirm, 0.6f));
}

TEST_F(Arranger, CapturingTwiceAddsTheNewerFirstInListAndFile)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    arranger->captureLoadout();
    windows.frames.insert(1, {10, 10, 400, 400});
    clock.advance(60);
    arranger->captureLoadout();
    const QList<Loadout> list = arranger->loadouts();
    ASSERT_EQ(list.size(), 2);
    EXPECT_NE(list[0].id, list[1].id);
    EXPECT_GT(list[0].date, list[1].date);
    EXPECT_EQ(toasts.last().message,
              QStringLiteral("A: 1 window. Only windows on this Space are included; full-screen "
                             "apps each have their own Space."));
    make();
    EXPECT_EQ(arranger->loadouts(), list);
}

TEST_F(Arranger, AMalformedFileIsReplacedOnlyByTheNextSaveAndKeptAside)
{
    QDir().mkpath(paths.dataFolder());
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not json");
    }
    make();
    EXPECT_TRUE(arranger->loadouts().isEmpty());
    EXPECT_FALSE(QFile::exists(file() + ".bad"));
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    arranger->captureLoadout();
    QFile bad(file() + ".bad");
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), QByteArray("not json"));
    make();
    EXPECT_EQ(arranger->loadouts().size(), 1);
}

TEST_F(Arranger, DeleteRemovesTheLoadoutAndSaves)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    arranger->captureLoadout();
    arranger->captureLoadout();
    const QUuid gone = arranger->loadouts()[0].id;
    const QUuid kept = arranger->loadouts()[1].id;
    arranger->deleteLoadout(gone);
    ASSERT_EQ(arranger->loadouts().size(), 1);
    EXPECT_EQ(arranger->loadouts()[0].id, kept);
    make();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    EXPECT_EQ(arranger->loadouts()[0].id, kept);
}

// Restoring

TEST_F(Arranger, FrameForFallsBackToThePrimaryScreen)
{
    const QList<ScreenInfo> two = {FakeScreens::make(QStringLiteral("a"), {0, 0, 1440, 900}, 25),
                                   FakeScreens::make(QStringLiteral("b"), {1440, 0, 1920, 1080})};
    const QRectF f(0.1, 0.2, 0.5, 0.25);
    EXPECT_TRUE(near(WindowArranger::frameFor(entry("x", 0, f, "1512x982"), two),
                     SnapZones::place(f, two[0].visibleFrame)));
    EXPECT_TRUE(near(WindowArranger::frameFor(entry("x", 0, f, "1920x1080"), two),
                     SnapZones::place(f, two[1].visibleFrame)));
}

TEST_F(Arranger, EquipWithEverythingInPlaceMovesNothingWhileSettlingAndRaisesEachOnce)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1, 2});
    addApp(11, QStringLiteral("B"), QStringLiteral("b"), {3});
    windows.frames.insert(1, {0, 0, 400, 400});
    windows.frames.insert(2, {400, 100, 600, 500});
    windows.frames.insert(3, {700, 300, 500, 500});
    const auto before = windows.frames;
    arranger->captureLoadout();
    const Loadout loadout = arranger->loadouts()[0];
    toasts.clear();
    cues.clear();

    bool done = false;
    arranger->equip(loadout, [&done] { done = true; });
    // The matching pass puts each window at once, onto where it already is.
    ASSERT_EQ(windows.moves.size(), 3);
    for (const auto &[window, frame] : windows.moves)
        EXPECT_TRUE(near(frame, before[window]));
    EXPECT_EQ(runWaits(1000), 0);
    EXPECT_EQ(windows.moves.size(), 3);
    EXPECT_EQ(windows.raised, (QList<quint32>{3, 2, 1}));
    EXPECT_TRUE(workspace.opened.isEmpty());
    EXPECT_TRUE(done);
    ASSERT_EQ(cues.size(), 1);
    EXPECT_EQ(cues[0], std::make_pair(CoreSoundEngine::Cue::select, 1.0f));
    expectOneToast(QStringLiteral("Equipped A + B"), QStringLiteral("3 windows placed."));
}

TEST_F(Arranger, AnAppThatNeverOpensItsWindowIsNotFound)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    addApp(11, QStringLiteral("B"), QStringLiteral("b"), {});
    windows.frames.insert(1, {0, 0, 400, 400});
    Loadout l;
    l.name = QStringLiteral("A + B");
    l.entries = {entry("a", 0, {0, 0, 0.5, 1}), entry("b", 0, {0.5, 0, 0.5, 1})};
    arranger->equip(l);
    EXPECT_EQ(runWaits(1000), 7);
    EXPECT_EQ(windows.raised, QList<quint32>{1});
    expectOneToast(QStringLiteral("Equipped A + B"),
                   QStringLiteral("1 window placed, 1 not found."));
}

TEST_F(Arranger, EquipLaunchesMissingAppsAndWaitsForTheirWindows)
{
    Loadout l;
    l.name = QStringLiteral("C");
    l.entries = {entry("c", 0, {0, 0, 0.5, 1}), entry("c", 1, {0.5, 0, 0.5, 1})};
    arranger->equip(l);
    EXPECT_EQ(workspace.opened, QStringList{"c"});
    ASSERT_EQ(waits.size(), 1);
    // Two retries pass before the app is up with its first window, then its second follows.
    for (int i = 0; i < 2; ++i)
        waits.takeFirst().second();
    addApp(20, QStringLiteral("C"), QStringLiteral("c"), {5});
    windows.frames.insert(5, {0, 0, 100, 100});
    waits.takeFirst().second();
    EXPECT_EQ(windows.moves.size(), 1);
    windows.standard[20].append(6);
    windows.frames.insert(6, {0, 0, 100, 100});
    runWaits();
    EXPECT_EQ(windows.raised, (QList<quint32>{6, 5}));
    expectOneToast(QStringLiteral("Equipped C"),
                   QStringLiteral("2 windows placed. Launched 1 app(s)."));
}

TEST_F(Arranger, AnAppThatCannotBeOpenedIsNotLaunchedAndNotFound)
{
    workspace.openSucceeds = false;
    Loadout l;
    l.name = QStringLiteral("Gone");
    l.entries = {entry("gone", 0, {0, 0, 1, 1})};
    arranger->equip(l);
    runWaits();
    expectOneToast(QStringLiteral("Equipped Gone"),
                   QStringLiteral("0 windows placed, 1 not found."));
}

TEST_F(Arranger, SettlingStopsAfterThreePasses)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    Loadout l;
    l.name = QStringLiteral("A");
    l.entries = {entry("a", 0, {0.5, 0, 0.5, 1})};
    arranger->equip(l);
    ASSERT_EQ(windows.moves.size(), 1);
    // The app keeps pushing its window back by 5 points, just past what counts as in place.
    while (!waits.isEmpty()) {
        windows.frames[1].translate(5, 0);
        waits.takeFirst().second();
    }
    EXPECT_EQ(windows.moves.size(), 1 + 3);
    EXPECT_EQ(windows.raised, QList<quint32>{1});
}

TEST_F(Arranger, SettlingLeavesAWindowWithinFourPoints)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    Loadout l;
    l.name = QStringLiteral("A");
    l.entries = {entry("a", 0, {0.5, 0, 0.5, 1})};
    arranger->equip(l);
    // A terminal lands on its nearest cell size.
    windows.frames[1].adjust(0, 0, -4, 4);
    runWaits();
    EXPECT_EQ(windows.moves.size(), 1);
}

TEST_F(Arranger, UntrustedEquipAndCaptureOnlyRefuse)
{
    windows.trust = false;
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    bool done = false;
    Loadout l;
    l.entries = {entry("a", 0, {0, 0, 1, 1})};
    arranger->equip(l, [&done] { done = true; });
    EXPECT_TRUE(done);
    arranger->captureLoadout();
    ASSERT_EQ(toasts.size(), 2);
    for (const Toast &t : toasts) {
        EXPECT_EQ(t.title, QStringLiteral("Accessibility is off"));
        EXPECT_EQ(t.message, untrustedText);
    }
    EXPECT_TRUE(windows.moves.isEmpty());
    EXPECT_TRUE(cues.isEmpty());
    EXPECT_TRUE(waits.isEmpty());
    EXPECT_TRUE(arranger->loadouts().isEmpty());
}

TEST_F(Arranger, AWaitOutlivingTheArrangerDoesNothing)
{
    addApp(10, QStringLiteral("A"), QStringLiteral("a"), {1});
    windows.frames.insert(1, {0, 0, 400, 400});
    Loadout l;
    l.entries = {entry("a", 0, {0, 0, 1, 1})};
    arranger->equip(l);
    arranger.reset();
    runWaits();
    EXPECT_TRUE(windows.raised.isEmpty());
    EXPECT_TRUE(toasts.isEmpty());
}

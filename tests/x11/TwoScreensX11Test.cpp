#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "platform/Geometry.h"
#include "platform/linux/JsonUserDefaults.h"
#include "ui/menu/CoreEquipment.h"
#include "windows/Loadout.h"
#include "windows/WindowArranger.h"

#include "X11Probe.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestHelpers.h"
#include "ui/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// The real program on Xorg's dummy driver: DUMMY0 1440x900 at 0,0 (primary), DUMMY1 1280x800 at
// 1440,0. This process keeps its own display; what it runs gets the two-screen one.
using enum HUDWidgetID;
using namespace X11Probe;

static void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

const QString kHome = TestEnvironment::home();
const QList<HUDWidgetID> kReadouts{playerStatus, partyStrip, fieldHeader};
const QList<HUDWidgetID> kMenu{menuRail, summaryPanel, skillSlots};

// The screens as xrandr has them, primary first, in model coordinates (openbox has no docks).
QList<ScreenInfo> screens()
{
    static const QRegularExpression line(QStringLiteral("^(\\S+) connected (primary )?(\\d+)x("
                                                        "\\d+)\\+(\\d+)\\+(\\d+)"),
                                         QRegularExpression::MultilineOption);
    QList<QPair<QString, QRectF>> found;
    for (const auto &m : line.globalMatch(run(QStringLiteral("xrandr"), {"--query"})))
        found.insert(m.captured(2).isEmpty() ? found.size() : 0,
                     {m.captured(1),
                      QRectF(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(3).toInt(),
                             m.captured(4).toInt())});
    QList<ScreenInfo> out;
    for (const auto &[name, r] : found) {
        const QRectF model = YUp::flip(r, found.first().second.height());
        out << ScreenInfo{name, model, model};
    }
    return out;
}
ScreenInfo screen(const QString &name)
{
    const QList<ScreenInfo> all = screens();
    const auto it = std::ranges::find(all, name, &ScreenInfo::name);
    return it == all.end() ? ScreenInfo{} : *it;
}
// Between model and X coordinates; the flip is its own inverse.
QRectF flip(const QRectF &r)
{
    return YUp::flip(r, screen(QStringLiteral("DUMMY0")).frame.height());
}

QString panelName(HUDWidgetID id)
{
    return QStringLiteral("Kaidro ") + HUDWidget::rawValue(id);
}
// Where the layout puts panel `id` on screen `name`, with the offsets the program has stored.
QRect placed(HUDWidgetID id, const QString &name)
{
    JsonUserDefaults defaults(kHome + QStringLiteral("/.config/Vantle/defaults.json"));
    const WidgetSpec &spec = HUDLayout::spec(id);
    const ScreenInfo s = screen(name);
    return flip({HUDLayout::origin(spec, s, HUDLayoutStore(defaults)),
                 HUDLayout::scaledSize(spec, s)})
        .toRect();
}
// Waits until every panel of `ids` is on screen where the layout places it on screen `name`.
::testing::AssertionResult panelsOn(const QList<HUDWidgetID> &ids, const QString &name,
                                    int ms = 5000)
{
    const auto misplaced = [&] {
        QList<HUDWidgetID> out(ids);
        out.removeIf(
            [&](HUDWidgetID id) { return windowGeometry(panelName(id)) == placed(id, name); });
        return out;
    };
    if (waitUntil([&] { return misplaced().isEmpty(); }, ms))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "not placed on " << name.toStdString();
    for (HUDWidgetID id : misplaced())
        failure << "; " << HUDWidget::rawValue(id).toStdString() << " at "
                << ::testing::PrintToString(windowGeometry(panelName(id)).value_or(QRect()))
                << ", not " << ::testing::PrintToString(placed(id, name));
    return failure;
}

// A warp to next to `p`, then one step through the input devices, which the program hears.
void pointerTo(QPoint p)
{
    xdotool(QStringLiteral("mousemove --sync %1 %2").arg(p.x() - 1).arg(p.y()));
    xdotool(QStringList{"mousemove_relative", "--sync", "1", "0"});
}
void click(QPoint p)
{
    pointerTo(p);
    xdotool("click 1");
}
// Runs a row of the command bar, typed as a user types it.
void command(const QString &text)
{
    const auto bar = [] { return isViewable(QStringLiteral("Kaidro commandBar")); };
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space") && waitUntil(bar, 5000));
    ASSERT_TRUE(xdotool({"type", "--delay", "40", text}) && xdotool("key Return"));
    ASSERT_TRUE(waitUntil([&] { return !bar(); }, 3000));
}

// Where the program draws an Equipment control: the same view, built here over its loadouts.
std::optional<QPoint> equipmentControl(const QRect &panel, const QString &name)
{
    WidgetTest::registerThemeFonts(); // so text-sized controls measure as in the program
    FakeScreens screens;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeAppPaths paths(kHome + QStringLiteral("/.local/share/Vantle"), {});
    FakeClock clock;
    FakeFeedback feedback;
    WindowArranger arranger(
        windows, workspace, screens, paths, clock, feedback, [] { return std::optional<pid_t>(); },
        1);
    CoreWidgets::CoreEquipment view(arranger);
    view.resize(CoreWidgets::CoreEquipment::panelSize);
    for (const QAbstractButton *b : view.findChildren<QAbstractButton *>()) {
        if (b->accessibleName() == name)
            return panel.topLeft() + b->mapTo(&view, b->rect().center());
    }
    return std::nullopt;
}

// Another app's window, found by its title; its frame in X's coordinates, border included.
class AppWindow final
{
public:
    AppWindow(const QString &program, const QString &title, const QString &geometry)
    {
        m_process.start(program, {"-title", title, "-geometry", geometry});
        waitUntil(
            [&] {
                m_id = run("xdotool", {"search", "--name", "^" + title + "$"})
                           .section('\n', 0, 0)
                           .toUInt();
                return m_id && frame();
            },
            5000);
    }
    ~AppWindow()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    QString id() const { return QString::number(m_id); }
    std::optional<QRectF> frame() const { return m_id ? frameOnScreen(m_id) : std::nullopt; }

private:
    QProcess m_process;
    quint32 m_id = 0;
};

class TwoScreensX11 : public ::testing::Test
{
protected:
    // The server comes from the session script and goes when the script's input closes.
    static void SetUpTestSuite()
    {
        s_server = new QProcess;
        s_server->start("bash",
                        {"-c",
                         "source '" KAIDRO_SOURCE_DIR "/scripts/xsession.sh' && "
                         "start_two_screen_display && echo \"$DISPLAY\" && read -r _; "
                         "stop_private_display"});
        while (s_display.isEmpty() && s_server->waitForReadyRead(20000))
            s_display = QString::fromUtf8(s_server->readAllStandardOutput()).trimmed();
        if (s_display.isEmpty())
            return;
        s_ownDisplay = qgetenv("DISPLAY");
        qputenv("DISPLAY", s_display.toUtf8());
        // Names for the two apps, so their windows go into loadouts.
        const QString apps = kHome + QStringLiteral("/.local/share/applications/org.example.");
        for (const auto &[name, wmClass] : {std::pair{"Logo", "XLogo"}, {"Clock", "XClock"}})
            writeFile(apps + name + ".desktop",
                      QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=x%2\n"
                                     "StartupWMClass=%3\n")
                          .arg(name, QString(name).toLower(), wmClass)
                          .toUtf8());
    }
    static void TearDownTestSuite()
    {
        if (!s_display.isEmpty())
            qputenv("DISPLAY", s_ownDisplay);
        s_server->closeWriteChannel();
        if (!s_server->waitForFinished(10000))
            s_server->kill();
        delete s_server;
    }
    void SetUp() override
    {
        if (s_display.isEmpty())
            GTEST_SKIP() << "no two-screen X server: "
                         << s_server->readAllStandardError().trimmed().toStdString();
        ASSERT_EQ(screens().size(), 2);
        // Readouts and the menu stay up while the test looks.
        ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.menuIdle": 0, )"
                                  R"("Vantle.setupSeen": true})"));
    }
    void TearDown() override
    {
        if (!s_display.isEmpty() && screens().size() < 2)
            plug();
    }
    static void plug()
    {
        run("xrandr", {"--output", "DUMMY1", "--mode", "1280x800x", "--right-of", "DUMMY0"});
    }

    static inline QProcess *s_server = nullptr;
    static inline QString s_display;
    static inline QByteArray s_ownDisplay;
};

} // namespace

TEST_F(TwoScreensX11, PanelsOpenFollowThePointerAndTheEditorEditsTheScreenItWasOpenedOn)
{
    pointerTo({2000, 400}); // on DUMMY1
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    EXPECT_TRUE(panelsOn(kReadouts, "DUMMY1", 8000));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    EXPECT_TRUE(panelsOn(kMenu, "DUMMY1"));
    // The pointer dwells on the other screen: the readouts and the menu follow it.
    pointerTo({700, 450});
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY0"));
    pointerTo({2000, 400});
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY1"));

    // The editor covers the screen it opened on; a drop there is stored for that screen's layout.
    command(QStringLiteral("edit layout"));
    const QString editor = QStringLiteral("Kaidro layoutEditor");
    const QRect right = flip(screen(QStringLiteral("DUMMY1")).frame).toRect();
    EXPECT_TRUE(waitUntil([&] { return windowGeometry(editor) == right; }, 5000));
    ASSERT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY1"));
    const QPoint hp = placed(playerStatus, "DUMMY1").center();
    pointerTo(hp);
    xdotool("mousedown 1");
    pointerTo(hp + QPoint(100, 100));
    pointerTo(hp + QPoint(203, 261)); // far from every snap line
    xdotool("mouseup 1");
    EXPECT_TRUE(
        waitUntil([&] { return placed(playerStatus, "DUMMY1").center().y() > hp.y() + 200; }, 3000))
        << "the drop was not stored";
    EXPECT_TRUE(panelsOn({playerStatus}, "DUMMY1"));
    xdotool("key Escape");
    EXPECT_TRUE(waitUntil([&] { return !isViewable(editor); }, 3000));
    EXPECT_TRUE(vantle.stop());
}

TEST_F(TwoScreensX11, NextDisplaySnapGoesAcrossAndBackAndALoadoutEquipsBothScreens)
{
    const AppWindow logo("xlogo", "snap logo", "240x160+40+560");
    const AppWindow clock("xclock", "snap clock", "200x200+1700+420");
    pointerTo({1000, 820});
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && panelsOn(kReadouts, "DUMMY0", 8000));
    command(QStringLiteral("loadouts"));
    const QRect panel = waitForWindow(panelName(equipment), 5000).value_or(QRect());
    ASSERT_TRUE(panelsOn({equipment}, "DUMMY0"));
    const auto nextDisplay = equipmentControl(panel, SnapZones::title(SnapZone::nextDisplay));
    const auto save = equipmentControl(panel, QStringLiteral("Save this layout"));
    ASSERT_TRUE(nextDisplay && save);

    // Across to DUMMY1 at the same share of the screen, and back to where it was.
    const QRectF start = logo.frame().value_or(QRectF());
    const auto across = SnapZones::newFrame(SnapZone::nextDisplay, flip(start), screens(), 0);
    ASSERT_TRUE(across);
    for (const QRectF want : {flip(*across), start}) {
        xdotool({"windowactivate", "--sync", logo.id()});
        click(*nextDisplay);
        EXPECT_TRUE(waitUntil([&] { return near(logo.frame().value_or(QRectF()), want, 2); }, 4000))
            << ::testing::PrintToString(logo.frame().value_or(QRectF()).toRect()) << ", not "
            << ::testing::PrintToString(want.toRect());
    }

    // Saved with one window on each screen, scattered, equipped: each is back on its screen.
    const QRectF logoSaved = *logo.frame(), clockSaved = *clock.frame();
    click(*save);
    const QString file = kHome + QStringLiteral("/.local/share/Vantle/loadouts.json");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }, 4000)) << "nothing was saved";
    const QList<Loadout> saved = Loadout::decode(readFile(file)).value_or(QList<Loadout>());
    ASSERT_EQ(saved.size(), 1);
    QStringList displays;
    for (const Loadout::Entry &e : saved.first().entries)
        displays << e.appName + " " + e.display;
    EXPECT_EQ(displays, (QStringList{"Logo 1440x900", "Clock 1280x800"}));
    xdotool({"windowmove", "--sync", logo.id(), "900", "100"});
    xdotool({"windowmove", "--sync", clock.id(), "300", "150"});
    const auto row = equipmentControl(panel, saved.first().name);
    ASSERT_TRUE(row) << "no row for " << saved.first().name.toStdString();
    click(*row);
    EXPECT_TRUE(waitUntil(
        [&] {
            return near(logo.frame().value_or(QRectF()), logoSaved, 4)
                && near(clock.frame().value_or(QRectF()), clockSaved, 4);
        },
        8000))
        << "not equipped back";
    EXPECT_TRUE(vantle.stop());
}

TEST_F(TwoScreensX11, ADockLayoutPutsEveryWindowBackWhenItsScreenReturnsAndNothingElseDoes)
{
    const QString file = kHome + QStringLiteral("/.local/share/Vantle/loadouts.json");
    QFile::remove(file);
    const AppWindow logo("xlogo", "dock logo", "240x160+40+560");
    const AppWindow clock("xclock", "dock clock", "200x200+1700+420");
    pointerTo({1000, 820});
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && panelsOn(kReadouts, "DUMMY0", 8000));
    const QString toast = QStringLiteral("Kaidro toast");
    // The screen goes, its window is gathered onto the other, the screen comes back.
    const auto unplugAndReplug = [&] {
        run("xrandr", {"--output", "DUMMY1", "--off"});
        ASSERT_TRUE(waitUntil([] { return screens().size() == 1; }, 3000));
        xdotool({"windowmove", "--sync", clock.id(), "300", "150"});
        xdotool({"windowmove", "--sync", logo.id(), "900", "100"});
        QTest::qWait(2500); // past the settling of the one-screen set
        plug();
        ASSERT_TRUE(waitUntil([] { return screens().size() == 2; }, 3000));
    };

    // Nothing is bound to these screens: nothing moves and nothing is said.
    unplugAndReplug();
    const QRectF gathered = clock.frame().value_or(QRectF());
    EXPECT_FALSE(waitUntil([&] { return isViewable(toast); }, 4000)) << "a toast without a dock";
    EXPECT_TRUE(near(clock.frame().value_or(QRectF()), gathered, 1));

    // Saved for these screens from the command bar, named after them.
    xdotool({"windowmove", "--sync", clock.id(), "1700", "420"});
    xdotool({"windowmove", "--sync", logo.id(), "40", "560"});
    const QRectF logoSaved = *logo.frame(), clockSaved = *clock.frame();
    command(QStringLiteral("save dock layout"));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }, 4000)) << "nothing was saved";
    const QList<Loadout> saved = Loadout::decode(readFile(file)).value_or(QList<Loadout>());
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0].name, "Dock: DUMMY0 + DUMMY1");
    EXPECT_EQ(saved[0].monitors.size(), 2);
    ASSERT_TRUE(waitUntil([&] { return !isViewable(toast); }, 8000));

    unplugAndReplug();
    EXPECT_TRUE(waitUntil(
        [&] {
            return near(logo.frame().value_or(QRectF()), logoSaved, 4)
                && near(clock.frame().value_or(QRectF()), clockSaved, 4);
        },
        8000))
        << "not docked back";
    EXPECT_TRUE(waitUntil([&] { return isViewable(toast); }, 4000)) << "no dock toast";
    EXPECT_TRUE(vantle.stop());
    QFile::remove(file);
}

TEST_F(TwoScreensX11, UnpluggingAScreenBringsEveryPanelOverAndPluggingItBackReturnsThem)
{
    // An offset past the screens' edges is clamped, never rewritten, so the panels come back.
    ASSERT_TRUE(writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.menuIdle": 0, )"
                              R"("Vantle.setupSeen": true, )"
                              R"("Vantle.layoutOffsets": {"playerStatus": [900, -300]}})"));
    const auto offsets = [] {
        const QByteArray json = readFile(kHome + QStringLiteral("/.config/Vantle/defaults.json"));
        return QJsonDocument::fromJson(json)["Vantle.layoutOffsets"].toObject();
    };
    const QJsonObject stored = offsets();
    pointerTo({2000, 400});
    Vantle vantle;
    ASSERT_TRUE(vantle.started() && panelsOn(kReadouts, "DUMMY1", 8000));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m") && panelsOn(kMenu, "DUMMY1"));

    run("xrandr", {"--output", "DUMMY1", "--off"});
    ASSERT_TRUE(waitUntil([] { return screens().size() == 1; }, 3000));
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY0"));
    EXPECT_EQ(offsets(), stored);

    plug();
    ASSERT_TRUE(waitUntil([] { return screens().size() == 2; }, 3000));
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY1"));
    EXPECT_EQ(offsets(), stored);
    EXPECT_TRUE(vantle.stop());
}

// DUMMY1 at twice the scale (as Qt takes it from QT_SCREEN_SCALE_FACTORS; Xft.dpi is one for the
// whole display): its readouts and the target cursor over a window there sit in its pixels.
TEST_F(TwoScreensX11, AScreenAtTwiceTheScaleHasItsPanelsAndTheCursorInItsOwnPixels)
{
    const AppWindow logo("xlogo", "scaled logo", "300x200+1700+200");
    const QRectF device = logo.frame().value_or(QRectF());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("DUMMY0=1;DUMMY1=2"));
    pointerTo({2400, 700});
    Vantle vantle(env);
    ASSERT_TRUE(vantle.started());
    // In logical pixels DUMMY1 keeps its top-left and halves its size.
    const QRectF half(1440, 0, 640, 400);
    const ScreenInfo s{QStringLiteral("DUMMY1"), flip(half), flip(half)};
    const auto onServer = [](const QRectF &model, double k = 2) {
        const QRectF r = k == 2 ? QRectF(flip(model).toRect()) : model; // the program rounds
        return QRectF(1440 + (r.x() - 1440) * k, r.y() * k, r.width() * k, r.height() * k);
    };
    const QRectF logical = onServer(device, 0.5);
    for (const auto &[name, model] :
         {std::pair{playerStatus, HUDLayout::frame(HUDLayout::spec(playerStatus), s)},
          {fieldHeader, HUDLayout::frame(HUDLayout::spec(fieldHeader), s)},
          {targetCursor, HUDLayout::placeTargetCursor(flip(logical), s).frame}}) {
        pointerTo(device.center().toPoint());
        const QRect want = onServer(model).toRect();
        EXPECT_TRUE(waitUntil([&] { return windowGeometry(panelName(name)) == want; }, 8000))
            << ::testing::PrintToString(windowGeometry(panelName(name)).value_or(QRect()))
            << ", not " << ::testing::PrintToString(want);
    }
    EXPECT_TRUE(vantle.stop());
}

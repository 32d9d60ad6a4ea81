#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "platform/Geometry.h"
#include "platform/linux/JsonUserDefaults.h"
#include "ui/menu/CoreEquipment.h"
#include "windows/Loadout.h"
#include "windows/SnapZone.h"
#include "windows/WindowArranger.h"

#include "X11Probe.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestEnvironment.h"
#include "ui/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QScrollArea>

#include <memory>

// The real program on one X server with two screens side by side (Xorg with the dummy driver:
// DUMMY0 1440x900 at 0,0, primary, and DUMMY1 1280x800 at 1440,0), driven with xdotool and
// xrandr and looked at with xwininfo. This process keeps its own display; the tools it runs and
// the program get the two-screen one.
using enum HUDWidgetID;
using namespace X11Probe;

// Rectangles in failure messages as X has them.
static void PrintTo(const QRect &r, std::ostream *os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

// The two-screen server and its window manager, started through the session script and
// stopped when its standard input closes.
class TwoScreenServer final
{
public:
    TwoScreenServer()
    {
        const QString script = QStringLiteral(KAIDRO_SOURCE_DIR "/scripts/xsession.sh");
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral("bash"),
                        {"-c",
                         "source '" + script
                             + "' && start_two_screen_display && echo \"$DISPLAY\" && "
                               "read -r _; stop_private_display"});
        m_process.waitForStarted(5000);
        while (m_display.isEmpty() && m_process.state() == QProcess::Running
               && m_process.waitForReadyRead(20000))
            m_display = QString::fromUtf8(m_process.readAllStandardOutput()).trimmed();
        if (m_display.isEmpty())
            m_error = QString::fromUtf8(m_process.readAllStandardError()).trimmed();
    }
    ~TwoScreenServer()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }
    const QString &display() const { return m_display; }
    const QString &error() const { return m_error; }

private:
    QProcess m_process;
    QString m_display, m_error;
};

const QString kDefaults = QStringLiteral("/.config/Vantle/defaults.json");

// The screens as xrandr has them, primary first, in model coordinates.
QList<ScreenInfo> screens()
{
    static const QRegularExpression line(
        QStringLiteral("^(\\S+) connected (primary )?(\\d+)x(\\d+)\\+(\\d+)\\+(\\d+)"),
        QRegularExpression::MultilineOption);
    QList<ScreenInfo> out;
    QList<QPair<QString, QRectF>> found;
    auto it = line.globalMatch(run(QStringLiteral("xrandr"), {"--query"}));
    while (it.hasNext()) {
        const auto m = it.next();
        const QRectF r(m.captured(5).toDouble(), m.captured(6).toDouble(), m.captured(3).toDouble(),
                       m.captured(4).toDouble());
        found.insert(m.captured(2).isEmpty() ? found.size() : 0, {m.captured(1), r});
    }
    if (found.isEmpty())
        return out;
    const double h = found.first().second.height();
    // No panels or docks under openbox: the work area is the whole screen.
    for (const auto &[name, r] : found)
        out << ScreenInfo{name, YUp::flip(r, h), YUp::flip(r, h)};
    return out;
}

ScreenInfo screenNamed(const QString &name)
{
    for (const ScreenInfo &s : screens()) {
        if (s.name == name)
            return s;
    }
    return {};
}

// In X's coordinates.
QRect toX(const QRectF &model)
{
    return YUp::flip(model, screens().value(0).frame.height()).toRect();
}
QRectF toModel(const QRectF &x)
{
    return YUp::flip(x, screens().value(0).frame.height());
}

// Where the layout puts panel `id` on `screen`, with the offsets the program has stored.
QRect placed(HUDWidgetID id, const ScreenInfo &screen)
{
    JsonUserDefaults defaults(TestEnvironment::home() + kDefaults);
    const HUDLayoutStore store(defaults);
    const WidgetSpec &spec = HUDLayout::spec(id);
    return toX(QRectF(HUDLayout::origin(spec, screen, store), HUDLayout::scaledSize(spec, screen)));
}

QString panelName(HUDWidgetID id)
{
    return QStringLiteral("Kaidro ") + HUDWidget::rawValue(id);
}

// Waits until every panel of `ids` is on screen where the layout places it on `screen`.
::testing::AssertionResult panelsOn(const QList<HUDWidgetID> &ids, const QString &screenName,
                                    int ms = 5000)
{
    const ScreenInfo screen = screenNamed(screenName);
    const auto allPlaced = [&] {
        return std::all_of(ids.begin(), ids.end(), [&](HUDWidgetID id) {
            return windowGeometry(panelName(id)) == placed(id, screen);
        });
    };
    if (waitUntil(allPlaced, ms))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "not placed on " << screenName.toStdString();
    for (HUDWidgetID id : ids) {
        const QRect is = windowGeometry(panelName(id)).value_or(QRect()), want = placed(id, screen);
        if (is != want)
            failure << "; " << HUDWidget::rawValue(id).toStdString() << " at " << is.x() << ","
                    << is.y() << " " << is.width() << "x" << is.height() << ", not " << want.x()
                    << "," << want.y() << " " << want.width() << "x" << want.height();
    }
    return failure;
}

// Moves the pointer as a mouse does: a warp to next to `p`, then one step through the input
// devices, which the program hears as motion.
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

const QList<HUDWidgetID> kReadouts{playerStatus, partyStrip, fieldHeader};
const QList<HUDWidgetID> kMenu{menuRail, summaryPanel, skillSlots};

// Runs a row of the command bar, typed as a user types it.
void command(const QString &text)
{
    ASSERT_TRUE(xdotool("key ctrl+alt+super+space"));
    ASSERT_TRUE(waitUntil([] { return isViewable(QStringLiteral("Kaidro commandBar")); }, 5000));
    ASSERT_TRUE(xdotool({"type", "--delay", "40", text}));
    ASSERT_TRUE(xdotool("key Return"));
    ASSERT_TRUE(waitUntil([] { return !isViewable(QStringLiteral("Kaidro commandBar")); }, 3000));
}

// Another app's window, found by its title.
class AppWindow final
{
public:
    AppWindow(const QString &program, const QString &title, const QString &geometry)
        : m_title(title)
    {
        m_process.start(program, {"-title", title, "-geometry", geometry});
        waitUntil([&] { return (m_id = windowId()) != 0 && frame(); }, 5000);
    }
    ~AppWindow()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    quint32 id() const { return m_id; }
    // The frame in X's coordinates, the window manager's border included.
    std::optional<QRectF> frame() const { return m_id ? frameOnScreen(m_id) : std::nullopt; }
    void activate() const { xdotool({"windowactivate", "--sync", QString::number(m_id)}); }
    void moveTo(QPoint p) const
    {
        xdotool({"windowmove", "--sync", QString::number(m_id), QString::number(p.x()),
                 QString::number(p.y())});
    }

private:
    quint32 windowId() const
    {
        return run(QStringLiteral("xdotool"), {"search", "--name", "^" + m_title + "$"})
            .section(QLatin1Char('\n'), 0, 0)
            .toUInt();
    }
    QProcess m_process;
    QString m_title;
    quint32 m_id = 0;
};

class TwoScreensX11 : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = new TwoScreenServer;
        if (s_server->display().isEmpty())
            return;
        s_ownDisplay = qgetenv("DISPLAY");
        // The tools and the program this process starts use the two-screen display.
        qputenv("DISPLAY", s_server->display().toUtf8());
        // Names for the two apps, so their windows go into loadouts.
        const QString apps = TestEnvironment::home() + QStringLiteral("/.local/share/applications");
        QDir().mkpath(apps);
        for (const auto &[id, body] :
             {std::pair{"Logo", "Name=Logo\nExec=xlogo\nStartupWMClass=XLogo"},
              {"Clock", "Name=Clock\nExec=xclock\nStartupWMClass=XClock"}}) {
            QFile file(apps + QStringLiteral("/org.example.%1.desktop").arg(id));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray("[Desktop Entry]\nType=Application\n") + body + '\n');
        }
    }
    static void TearDownTestSuite()
    {
        if (!s_ownDisplay.isEmpty())
            qputenv("DISPLAY", s_ownDisplay);
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override
    {
        if (s_server->display().isEmpty())
            GTEST_SKIP() << "no two-screen X server: " << s_server->error().toStdString();
        ASSERT_EQ(screens().size(), 2);
        QFile::remove(TestEnvironment::home()
                      + QStringLiteral("/.local/share/Vantle/loadouts.json"));
    }
    void TearDown() override
    {
        // Both screens again for the next test, wherever this one failed.
        if (s_server && !s_server->display().isEmpty() && screens().size() < 2)
            plug();
    }

    static void unplug() { run(QStringLiteral("xrandr"), {"--output", "DUMMY1", "--off"}); }
    static void plug()
    {
        run(QStringLiteral("xrandr"),
            {"--output", "DUMMY1", "--mode", "1280x800x", "--right-of", "DUMMY0"});
    }

    // Readouts and the menu stay up while the test looks.
    static bool writeSteadyDefaults(const QByteArray &more = {})
    {
        return writeDefaults(R"({"Vantle.readoutIdle": 0, "Vantle.menuIdle": 0, )"
                             R"("Vantle.setupSeen": true)"
                             + more + "}");
    }

    // Every screen, each cut out of the root window, for a person to look at.
    static void screenshots(const QString &name)
    {
        const QString folder = qEnvironmentVariable("KAIDRO_TEST_SCREENSHOTS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        for (const ScreenInfo &s : screens()) {
            const QRect r = toX(s.frame);
            QProcess::execute(
                QStringLiteral("import"),
                {"-window", "root", "-crop",
                 QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                 "+repage", folder + "/" + name + "-" + s.name + ".png"});
        }
    }

    static inline TwoScreenServer *s_server = nullptr;
    static inline QByteArray s_ownDisplay;
};

// The Equipment panel's controls where the program draws them: the same view, built here over
// the program's own loadouts file.
class EquipmentControls final
{
public:
    EquipmentControls()
    {
        // The program's faces, so text-sized controls measure as they do there.
        WidgetTest::registerThemeFonts();
        screens.setScreens({FakeScreens::make("DUMMY0", {0, 0, 1440, 900})});
        arranger = std::make_unique<WindowArranger>(
            windows, workspace, screens, paths, clock, feedback,
            [] { return std::optional<pid_t>(); }, 1);
        view = std::make_unique<CoreWidgets::CoreEquipment>(*arranger, [](CoreSoundEngine::Cue) {});
        view->resize(CoreWidgets::CoreEquipment::panelSize);
    }
    // A control's middle in X's coordinates, the panel at `panel`.
    std::optional<QPoint> at(const QRect &panel, const QString &name) const
    {
        for (const QAbstractButton *b : view->findChildren<QAbstractButton *>()) {
            if (b->accessibleName() == name)
                return panel.topLeft() + b->mapTo(view.get(), b->rect().center());
        }
        return std::nullopt;
    }

private:
    FakeScreens screens;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeAppPaths paths{TestEnvironment::home() + QStringLiteral("/.local/share/Vantle"), {}};
    FakeClock clock;
    FakeFeedback feedback;
    std::unique_ptr<WindowArranger> arranger;
    std::unique_ptr<CoreWidgets::CoreEquipment> view;
};

} // namespace

TEST_F(TwoScreensX11, PanelsOpenFollowThePointerAndTheEditorEditsTheScreenItWasOpenedOn)
{
    ASSERT_TRUE(writeSteadyDefaults());
    pointerTo({2000, 400}); // on DUMMY1
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    EXPECT_TRUE(panelsOn(kReadouts, "DUMMY1", 8000));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    EXPECT_TRUE(panelsOn(kMenu, "DUMMY1"));

    // The pointer dwells on the other screen: the readouts and the menu follow it.
    pointerTo({700, 450});
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY0"));
    screenshots(QStringLiteral("followed"));

    // Hidden and shown again with the pointer on DUMMY1: the HUD opens there.
    pointerTo({2000, 400});
    ASSERT_TRUE(xdotool("key ctrl+alt+super+h"));
    ASSERT_TRUE(waitUntil([] { return !isViewable(panelName(playerStatus)); }, 3000));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+h"));
    EXPECT_TRUE(panelsOn(kReadouts, "DUMMY1"));

    // The editor covers the screen it was opened on, and a drop there is stored against that
    // screen's layout.
    command(QStringLiteral("edit layout"));
    const ScreenInfo right = screenNamed(QStringLiteral("DUMMY1"));
    EXPECT_TRUE(waitUntil(
        [&] { return windowGeometry(QStringLiteral("Kaidro layoutEditor")) == toX(right.frame); },
        5000))
        << "the editor is not over DUMMY1";
    ASSERT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY1"));
    const QRect hp = placed(playerStatus, right);
    pointerTo(hp.center());
    xdotool("mousedown 1");
    pointerTo(hp.center() + QPoint(100, 100));
    pointerTo(hp.center() + QPoint(203, 261)); // far from every snap line
    xdotool("mouseup 1");
    EXPECT_TRUE(waitUntil(
        [&] {
            JsonUserDefaults defaults(TestEnvironment::home() + kDefaults);
            return !HUDLayoutStore(defaults).offset(playerStatus).isNull();
        },
        3000))
        << "the drop was not stored";
    EXPECT_TRUE(panelsOn({playerStatus}, "DUMMY1"));
    const QRect dropped = windowGeometry(panelName(playerStatus)).value_or(QRect());
    EXPECT_GT(dropped.y(), hp.y() + 200);
    screenshots(QStringLiteral("editing"));
    xdotool("key Escape");
    EXPECT_TRUE(waitUntil([] { return !isViewable(QStringLiteral("Kaidro layoutEditor")); }, 3000));
    EXPECT_TRUE(vantle.stop());
}

TEST_F(TwoScreensX11, TargetCursorMarksWindowsOnEitherScreenAndStaysInsideIt)
{
    ASSERT_TRUE(writeSteadyDefaults());
    // Each window against the edge its screen shares with the other: a cursor centred over it
    // would reach across.
    const AppWindow onRight(QStringLiteral("xlogo"), QStringLiteral("right logo"),
                            QStringLiteral("150x100+1440+0"));
    const AppWindow onLeft(QStringLiteral("xlogo"), QStringLiteral("left logo"),
                           QStringLiteral("150x100-1280+400"));
    ASSERT_TRUE(onRight.frame() && onLeft.frame());
    pointerTo({700, 700});
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(panelsOn(kReadouts, "DUMMY0", 8000));

    for (const AppWindow *window : {&onRight, &onLeft}) {
        const QRectF frame = *window->frame();
        const ScreenInfo screen = screenNamed(frame.left() >= 1440 ? QStringLiteral("DUMMY1")
                                                                   : QStringLiteral("DUMMY0"));
        const QRect want = toX(HUDLayout::placeTargetCursor(toModel(frame), screen).frame);
        pointerTo(frame.center().toPoint());
        EXPECT_TRUE(
            waitUntil([&] { return windowGeometry(panelName(targetCursor)) == want; }, 4000))
            << "over " << screen.name.toStdString() << ": "
            << windowGeometry(panelName(targetCursor)).value_or(QRect()).x();
        EXPECT_TRUE(toX(screen.frame).contains(want)) << screen.name.toStdString();
        if (screen.name == QStringLiteral("DUMMY1"))
            screenshots(QStringLiteral("target"));
    }
    EXPECT_TRUE(vantle.stop());
}

TEST_F(TwoScreensX11, NextDisplaySnapGoesAcrossAndBackAndALoadoutEquipsBothScreens)
{
    ASSERT_TRUE(writeSteadyDefaults());
    const AppWindow logo(QStringLiteral("xlogo"), QStringLiteral("snap logo"),
                         QStringLiteral("240x160+40+560"));
    const AppWindow clock(QStringLiteral("xclock"), QStringLiteral("snap clock"),
                          QStringLiteral("200x200+1700+420"));
    ASSERT_TRUE(logo.frame() && clock.frame());
    pointerTo({1000, 820});
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(panelsOn(kReadouts, "DUMMY0", 8000));
    command(QStringLiteral("loadouts"));
    const auto panel = waitForWindow(panelName(equipment), 5000);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panelsOn({equipment}, "DUMMY0"));
    EquipmentControls controls;
    const auto nextDisplay = controls.at(*panel, SnapZones::title(SnapZone::nextDisplay));
    ASSERT_TRUE(nextDisplay);

    // Across to DUMMY1 at the same share of the screen, and back to where it was.
    const QRectF start = *logo.frame();
    const QList<ScreenInfo> all = screens();
    const auto across = SnapZones::newFrame(SnapZone::nextDisplay, toModel(start), all, 0);
    ASSERT_TRUE(across);
    for (const QRectF want : {QRectF(toX(*across)), start}) {
        logo.activate();
        click(*nextDisplay);
        EXPECT_TRUE(waitUntil([&] { return near(logo.frame().value_or(QRectF()), want, 2); }, 4000))
            << "the logo is at " << logo.frame().value_or(QRectF()).x() << ","
            << logo.frame().value_or(QRectF()).y() << ", not " << want.x() << "," << want.y();
    }

    // Saved with one window on each screen, scattered, equipped: each is back on its screen.
    const QRectF logoSaved = *logo.frame(), clockSaved = *clock.frame();
    screenshots(QStringLiteral("loadout"));
    const auto save = controls.at(*panel, QStringLiteral("Save this layout"));
    ASSERT_TRUE(save);
    click(*save);
    const QString file
        = TestEnvironment::home() + QStringLiteral("/.local/share/Vantle/loadouts.json");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(file); }, 4000)) << "nothing was saved";
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<Loadout> loadouts = Loadout::decode(saved.readAll()).value_or(QList<Loadout>());
    ASSERT_EQ(loadouts.size(), 1);
    QStringList displays;
    for (const Loadout::Entry &e : loadouts.first().entries)
        displays << e.appName + " " + e.display;
    EXPECT_EQ(displays, (QStringList{"Logo 1440x900", "Clock 1280x800"}));

    logo.moveTo({900, 100});
    clock.moveTo({300, 150});
    ASSERT_TRUE(waitUntil([&] { return !near(*logo.frame(), logoSaved, 4); }, 3000));
    EquipmentControls withLoadout;
    const auto row = withLoadout.at(*panel, loadouts.first().name);
    ASSERT_TRUE(row) << "no row for " << loadouts.first().name.toStdString();
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

TEST_F(TwoScreensX11, UnpluggingAScreenBringsEveryPanelOverAndPluggingItBackReturnsThem)
{
    // An offset that reaches past the narrower screen's edge: clamped there, kept as it is.
    ASSERT_TRUE(writeSteadyDefaults(R"(, "Vantle.layoutOffsets": {"playerStatus": [900, -300]})"));
    pointerTo({2000, 400});
    Vantle vantle;
    ASSERT_TRUE(vantle.started());
    ASSERT_TRUE(panelsOn(kReadouts, "DUMMY1", 8000));
    ASSERT_TRUE(xdotool("key ctrl+alt+super+m"));
    ASSERT_TRUE(panelsOn(kMenu, "DUMMY1"));
    QMap<HUDWidgetID, QRect> before;
    for (HUDWidgetID id : kReadouts + kMenu)
        before.insert(id, windowGeometry(panelName(id)).value_or(QRect()));
    screenshots(QStringLiteral("before-unplug"));
    const auto storedOffsets = [] {
        QFile f(TestEnvironment::home() + kDefaults);
        f.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(f.readAll()).object().value("Vantle.layoutOffsets");
    };
    const QJsonValue offsets = storedOffsets();

    unplug();
    ASSERT_TRUE(waitUntil([] { return screens().size() == 1; }, 3000));
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY0"));
    screenshots(QStringLiteral("unplugged"));
    EXPECT_EQ(storedOffsets(), offsets);

    plug();
    ASSERT_TRUE(waitUntil([] { return screens().size() == 2; }, 3000));
    EXPECT_TRUE(panelsOn(kReadouts + kMenu, "DUMMY1"));
    for (HUDWidgetID id : kReadouts + kMenu)
        EXPECT_EQ(windowGeometry(panelName(id)), before.value(id))
            << HUDWidget::rawValue(id).toStdString();
    EXPECT_EQ(storedOffsets(), offsets);
    EXPECT_TRUE(vantle.stop());
}

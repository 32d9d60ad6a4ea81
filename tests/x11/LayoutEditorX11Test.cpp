#include "ui/hud/EditorView.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/GridSnap.h"
#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "ui/hud/LayoutEditor.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/UserDefaults.h"
#include "platform/linux/LinuxPlatform.h"

#include "X11Probe.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

using enum HUDWidgetID;
using namespace X11Probe;

namespace {

Platform &linuxPlatform()
{
    static Platform platform = makeLinuxPlatform(QCoreApplication::applicationDirPath());
    return platform;
}

void pump(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

template <typename Predicate> bool pumpUntil(Predicate done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        pump(50);
    }
    return bool(done());
}

void pointerTo(QPoint p)
{
    xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
    pump(80);
}

// Stands in for a readout's view: an opaque plate over the whole panel.
class Plate final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), QColor(40, 90, 160));
    }
};

// Where the test keeps its screenshots when asked to (a folder), besides checking them.
void keepScreenshot(const QString &path)
{
    const QString folder = qEnvironmentVariable("KAIDRO_TEST_SCREENSHOTS");
    if (!folder.isEmpty())
        QFile::copy(path, folder + QLatin1Char('/') + QFileInfo(path).fileName());
}

class LayoutEditorX11 : public ::testing::Test
{
protected:
    LayoutEditorX11()
        : platform(linuxPlatform())
        , widgets(*platform.defaults, notes)
        , layout(*platform.defaults)
        , settings(*platform.defaults, notes)
        , editor(*platform.screens, *platform.windows)
    { }

    void SetUp() override
    {
        // Readouts always on, and no first-run window, here and in the Vantle started later.
        settings.setReadoutIdle(0);
        platform.defaults->setValue(QStringLiteral("Vantle.setupSeen"), true);
        layout.resetAll();
        Screens &screens = *platform.screens;
        FloatingHUDPanelController::Hooks hooks;
        hooks.openLayoutEditor = [this](const ScreenInfo &screen, EditorActions actions) {
            editor.open(screen, std::move(actions));
        };
        hooks.closeLayoutEditor = [this] { editor.close(); };
        controller = std::make_unique<FloatingHUDPanelController>(
            screens, *platform.clock,
            FloatingHUDPanelController::Stores{widgets, layout, settings, visibility, notes},
            [&screens, this](HUDWidgetID, const PanelStyle &style) -> std::unique_ptr<PanelWindow> {
                auto content
                    = [](QWidget *parent, double) -> QWidget * { return new Plate(parent); };
                return std::make_unique<FloatingHUDPanel>(style, content, screens,
                                                          *platform.windows);
            },
            hooks);
    }

    void TearDown() override
    {
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        controller.reset();
        editor.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        pump(100);
        if (vantle.state() != QProcess::NotRunning) {
            vantle.terminate();
            vantle.waitForFinished(5000);
        }
        layout.resetAll();
    }

    void startVantle()
    {
        vantle.setProgram(QStringLiteral(KAIDRO_VANTLE_PATH));
        vantle.setProcessChannelMode(QProcess::ForwardedChannels);
        vantle.start();
        ASSERT_TRUE(vantle.waitForStarted(5000));
    }

    ScreenInfo mainScreen() const { return platform.screens->mainScreen(); }
    double primaryHeight() const { return mainScreen().frame.height(); }
    QRect toQt(const QRectF &model) const { return YUp::flip(model, primaryHeight()).toRect(); }

    Platform &platform;
    HUDNotifications notes;
    HUDWidgetSettings widgets;
    HUDLayoutStore layout;
    HUDSettings settings;
    HUDVisibility visibility;
    LayoutEditor editor;
    std::unique_ptr<FloatingHUDPanelController> controller;
    QProcess vantle;
};

} // namespace

TEST_F(LayoutEditorX11, DraggedHPBarSnapsToTheMarginLineStaysThereAndComesBackAfterARestart)
{
    const QString hpName = QStringLiteral("Kaidro playerStatus");
    const ScreenInfo screen = mainScreen();
    const WidgetSpec &spec = HUDLayout::spec(playerStatus);
    const QRectF home(HUDLayout::frame(spec, screen));

    controller->toggleLayoutEditing();
    ASSERT_TRUE(controller->layoutEditing());
    ASSERT_TRUE(
        pumpUntil([] { return windowGeometry(QStringLiteral("Kaidro layoutEditor")); }, 5000))
        << "the editor never appeared";
    EXPECT_EQ(*windowGeometry(QStringLiteral("Kaidro layoutEditor")), toQt(screen.frame));
    ASSERT_TRUE(pumpUntil([&] { return windowGeometry(hpName) == toQt(home); }, 5000))
        << "the HP bar is not at its default place";
    // Past the editor's settling step and the panels' own periodic raising, after which the
    // editor must still lie above them.
    pump(2500);

    // Press on the HP bar, drag it down and to within 5 points of the left margin line.
    const QRect start = toQt(home);
    const QPoint press = start.center();
    const QPoint grab = press - start.topLeft();
    const QPoint drop(int(screen.visibleFrame.left()) + 29 + grab.x(), press.y() + 300);
    pointerTo(press);
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    pump(100);
    pointerTo(press + QPoint(120, 120));
    pointerTo(drop);

    // Where the snap must land: x on the margin line, y as the snapping rules say for the
    // widgets on screen.
    QList<QRectF> others;
    for (const EditableWidget &w : controller->editableWidgets()) {
        if (w.id != playerStatus)
            others << w.contentFrame;
    }
    const QPointF pointer = YUp::flip(QPointF(drop), primaryHeight());
    const QPointF grabModel(grab.x(), start.height() - grab.y());
    const GridSnap::Result expected
        = GridSnap::snap(others, pointer - grabModel, home.size(), screen.visibleFrame);
    ASSERT_DOUBLE_EQ(expected.origin.x(), screen.visibleFrame.left() + 24);
    const QRect landed = toQt(QRectF(expected.origin, home.size()));
    EXPECT_EQ(windowGeometry(hpName), landed) << "the panel does not follow the drag";

    // While held: the gold outline on the content's left edge and the guide on the margin line,
    // drawn over the panel.
    const QString shot = TestEnvironment::home() + QStringLiteral("/layout-editor.png");
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), shot});
    keepScreenshot(shot);
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    const QColor &gold = EditorView::gold();
    for (const QPoint p : {QPoint(landed.left() - 1, landed.center().y()),
                           QPoint(landed.left(), landed.center().y()),
                           QPoint(landed.left(), landed.bottom() + 40)}) {
        EXPECT_EQ(image.pixelColor(p).rgb(), gold.rgb())
            << p.x() << "," << p.y() << " is " << image.pixelColor(p).name().toStdString();
    }

    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    pump(150);
    EXPECT_EQ(windowGeometry(hpName), landed);
    EXPECT_EQ(layout.offset(playerStatus), expected.origin - home.topLeft());

    // Escape leaves the editor; the panel stays where it was dropped.
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(pumpUntil([&] { return !controller->layoutEditing(); }, 3000))
        << "Escape did not reach the editor";
    EXPECT_TRUE(
        pumpUntil([] { return !windowGeometry(QStringLiteral("Kaidro layoutEditor")); }, 3000));
    EXPECT_EQ(windowGeometry(hpName), landed);

    // The offset is in the defaults file, and the real program puts the HP bar back there.
    QFile file(TestEnvironment::home() + QStringLiteral("/.config/Vantle/defaults.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject stored
        = QJsonDocument::fromJson(file.readAll()).object().value(HUDLayoutStore::key).toObject();
    EXPECT_TRUE(stored.contains(QStringLiteral("playerStatus")));

    controller.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(pumpUntil([&] { return !windowGeometry(hpName); }, 3000));
    startVantle();
    EXPECT_TRUE(pumpUntil([&] { return windowGeometry(hpName) == landed; }, 8000))
        << "Vantle shows the HP bar elsewhere";
}

#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Geometry.h"
#include "platform/UserDefaults.h"
#include "platform/linux/LinuxPlatform.h"
#include "ui/hud/EditorView.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/hud/LayoutEditor.h"
#include "ui/hud/PanelStack.h"

#include "X11Probe.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using enum HUDWidgetID;
using namespace X11Probe;

namespace {

// Counts the raises of our panels: each is a z-order change of a panel window.
class RaiseCounter final : public QObject
{
public:
    int raises = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ZOrderChange && qobject_cast<FloatingHUDPanel *>(watched))
            ++raises;
        return false;
    }
};

// The panel controller over the Linux platform (installed for the whole binary), plates for views.
class LayoutEditorX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Readouts always on, and no first-run window.
        settings.setReadoutIdle(0);
        platform.defaults->setValue(QStringLiteral("Vantle.setupSeen"), true);
        layout.resetAll();
        controller = std::make_unique<FloatingHUDPanelController>(
            *platform.screens, *platform.clock,
            FloatingHUDPanelController::Stores{widgets, layout, settings, visibility, notes},
            [this](HUDWidgetID, const PanelStyle &style) -> std::unique_ptr<PanelWindow> {
                const auto plate
                    = [](QWidget *parent, double) -> QWidget * { return new Plate(parent); };
                return std::make_unique<FloatingHUDPanel>(style, plate, *platform.screens,
                                                          *platform.windows, stack);
            });
        using C = FloatingHUDPanelController;
        QObject::connect(controller.get(), &C::openLayoutEditor, &editor, &LayoutEditor::open);
        QObject::connect(controller.get(), &C::closeLayoutEditor, &editor, &LayoutEditor::close);
        QObject::connect(&editor, &LayoutEditor::widgetDropped, controller.get(), &C::commitDrop);
        QObject::connect(&editor, &LayoutEditor::doneRequested, controller.get(),
                         &C::endLayoutEditing);
    }

    void TearDown() override
    {
        controller.reset();
        editor.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    QRect toQt(const QRectF &r) const { return YUp::flip(r, screen.frame.height()).toRect(); }

    Platform platform = makeLinuxPlatform(QCoreApplication::applicationDirPath());
    const ScreenInfo screen = platform.screens->mainScreen();
    HUDNotifications notes;
    HUDWidgetSettings widgets{*platform.defaults, notes};
    HUDLayoutStore layout{*platform.defaults};
    HUDSettings settings{*platform.defaults, notes};
    HUDVisibility visibility;
    LayoutEditor editor{*platform.screens, *platform.windows};
    PanelStack stack{*platform.windows};
    std::unique_ptr<FloatingHUDPanelController> controller;
};

} // namespace

TEST_F(LayoutEditorX11, EditorStaysAboveRaisingPanelsAndEscapeLeavesThemInPlace)
{
    const QString hpName = QStringLiteral("Kaidro playerStatus");
    const WidgetSpec &spec = HUDLayout::spec(playerStatus);
    const QRectF home(HUDLayout::frame(spec, screen));

    controller->toggleLayoutEditing();
    ASSERT_TRUE(waitUntil([] { return isViewable(QStringLiteral("Kaidro layoutEditor")); }, 5000))
        << "the editor never appeared";
    EXPECT_EQ(*windowGeometry(QStringLiteral("Kaidro layoutEditor")), toQt(screen.frame));
    ASSERT_TRUE(waitUntil([&] { return windowGeometry(hpName) == toQt(home); }, 5000))
        << "the HP bar is not at its default place";
    // Panels keep raising themselves above other apps; the editor must stay above them.
    RaiseCounter counter;
    qApp->installEventFilter(&counter);
    EXPECT_TRUE(waitUntil([&] { return counter.raises > 0; }, 5000)) << "no panel raised itself";
    qApp->removeEventFilter(&counter);
    QCoreApplication::processEvents();
    const int editorRank = stackingRank(QStringLiteral("Kaidro layoutEditor"));
    EXPECT_TRUE(editorRank >= 0 && editorRank < stackingRank(hpName)) << editorRank;

    // Escape leaves the editor; the panel stays where it is.
    xdotool("key Escape");
    EXPECT_TRUE(waitUntil([&] { return !controller->layoutEditing(); }, 3000))
        << "Escape did not reach the editor";
    EXPECT_TRUE(
        waitUntil([] { return !windowGeometry(QStringLiteral("Kaidro layoutEditor")); }, 3000));
    EXPECT_EQ(windowGeometry(hpName), toQt(home));
}

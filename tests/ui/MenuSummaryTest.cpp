#include "fakes/FakeWorkspace.h"
#include "monitors/RunningAppsMonitor.h"
#include "ui/menu/CoreFigure.h"
#include "ui/menu/CoreSummaryPanel.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuSelection.h"
#include "ui/menu/SummaryRing.h"
#include "widgets/WidgetTestSupport.h"

#include <QCoreApplication>
#include <QEnterEvent>

#include <gtest/gtest.h>

using CoreWidgets::CoreSummaryPanel;

namespace {

RunningApp app(pid_t pid, const QString &name, int launchedMinutesAgo)
{
    return FakeWorkspace::make(pid, name, {}, true,
                               QDateTime::currentDateTimeUtc().addSecs(-60 * launchedMinutesAgo));
}

} // namespace

TEST(MenuFigure, ScalesItsDesignBoxIntoTheRect)
{
    // A 100 × 220 design halved into a rect at (10, 20): head, chest, air between arm and body
    // and between the feet, and the outline spanning the rect's height.
    const QPainterPath path = CoreFigure(QRectF(10, 20, 50, 110));
    EXPECT_TRUE(path.contains(QPointF(10 + 25, 20 + 7.5)));
    EXPECT_TRUE(path.contains(QPointF(10 + 25, 20 + 40)));
    EXPECT_FALSE(path.contains(QPointF(10 + 25, 20 + 105)));
    EXPECT_FALSE(path.contains(QPointF(10 + 38, 20 + 50)));
    EXPECT_TRUE(QRectF(10, 20, 50, 110).contains(path.boundingRect()));
    EXPECT_DOUBLE_EQ(path.boundingRect().top(), 20);
    EXPECT_DOUBLE_EQ(path.boundingRect().bottom(), 20 + 108);
}

TEST(MenuRing, SlotZeroOnTopThenClockwise)
{
    const SummaryRing::Ellipse ring{{100, 200}, 80, 120};
    // A quarter of the way round is on the right (y grows downwards), half way at the bottom.
    const std::pair<int, QPointF> positions[]
        = {{0, {100, 80}}, {3, {180, 200}}, {6, {100, 320}}, {9, {20, 200}}};
    for (const auto &[slot, centre] : positions)
        EXPECT_EQ(SummaryRing::slotCentre(ring, slot, 12), centre) << slot;
    const QLineF top = SummaryRing::spoke(ring, 0, 12);
    EXPECT_EQ(top, QLineF(100, 200 - 4 - 0.3 * 120, 100, 200 - 0.88 * 120));
    EXPECT_EQ(SummaryRing::spoke(ring, 3, 12).p1(), QPointF(100 + 0.28 * 80, 196));
}

struct SummaryFixture : ::testing::Test
{
    FakeWorkspace workspace;
    int selectCues = 0;
    std::unique_ptr<RunningAppsMonitor> apps;
    MenuSelection selection;

    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        apps = std::make_unique<RunningAppsMonitor>(workspace, 1, [this] { ++selectCues; });
    }
};

TEST_F(SummaryFixture, TwelveSlotsFilledInOrderTheRestEmptyAndOnlyFilledOnesSwitch)
{
    workspace.apps = {app(10, "Files", 30), app(11, "Terminal", 20), app(12, "Firefox", 10)};
    workspace.front = 11;
    apps->refresh();
    CoreSummaryPanel panel(selection, *apps);
    const auto &buttons = panel.slotButtons();
    EXPECT_EQ(WidgetTest::accessibleNames(buttons),
              QStringList({"Files", "Terminal, frontmost", "Firefox"})
                  + QStringList(9, "Empty slot"));
    EXPECT_EQ(buttons[1]->toolTip(), "Frontmost app. Click a slot to switch.");
    EXPECT_EQ(buttons[2]->toolTip(), "Open app. Click to switch to it.");
    // Slot 0 at the top of the ring, slot 3 to the right of the figure.
    EXPECT_LT(buttons[0]->geometry().center().y(), panel.figureRect().top());
    EXPECT_GT(buttons[3]->geometry().center().x(), panel.figureRect().right());

    buttons[1]->click();
    buttons[5]->click();
    EXPECT_EQ(workspace.activations, QList<pid_t>{11}) << "an empty slot does nothing";
    EXPECT_EQ(selectCues, 1);
}

TEST_F(SummaryFixture, ShowsTheSelectionOverTheFigureAndFollowsTheMonitor)
{
    workspace.apps = {app(10, "Files", 30)};
    apps->refresh();
    CoreSummaryPanel panel(selection, *apps);
    const QImage before = WidgetTest::render(panel);
    selection.select("Settings", "Clock", "clock.fill", "Clock is shown. Click to hide it.");
    const QImage after = WidgetTest::render(panel);
    // The header changes with the selection; the figure below stays, dark ink on the light plate.
    const QRect header(60, 18, 170, 40);
    int changed = 0;
    for (int y = header.top(); y <= header.bottom(); ++y)
        for (int x = header.left(); x <= header.right(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    EXPECT_GT(changed, 50);
    const QPoint chest = panel.figureRect().center().toPoint();
    EXPECT_EQ(before.pixel(chest), after.pixel(chest));
    EXPECT_LT(QColor(after.pixel(chest)).lightness(), 120);

    // A hovered app that quits is forgotten.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(panel.slotButtons()[0], &enter);
    EXPECT_EQ(panel.hovered(), std::optional<pid_t>(10));
    workspace.apps = {app(20, "Mail", 5)};
    apps->refresh();
    EXPECT_EQ(panel.slotButtons()[0]->accessibleName(), "Mail");
    EXPECT_FALSE(panel.hovered());
}

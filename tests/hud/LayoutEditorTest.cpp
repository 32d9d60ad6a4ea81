#include "ui/hud/LayoutEditor.h"
#include "hud/GridSnap.h"
#include "ui/hud/EditorPanel.h"
#include "ui/hud/EditorView.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/hud/PanelStack.h"

#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "ui/widgets/WidgetTestSupport.h"
#include "x11/X11Probe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

using enum HUDWidgetID;

namespace {

using Commits = QList<QPair<HUDWidgetID, QPointF>>;
using Guide = std::optional<double>;

// A 1440 × 900 display less a 25-point top bar, in model coordinates (y up).
const QRectF kBounds(0, 0, 1440, 875);

// Panels filled by their content, but the summary's, which sits 10 points inside its panel.
class EditorViewTest : public ::testing::Test
{
protected:
    EditorViewTest()
    {
        hp->setFrame({24, 760, 475, 95});
        party->setFrame({24, 560, 350, 150});
        summary->setFrame({900, 200, 276, 444});
        view = std::make_unique<EditorView>(screen, [this] {
            QList<EditableWidget> list;
            if (hpShown)
                list.append({playerStatus, QStringLiteral("HP Bar"), hp, hp->frame()});
            list.append({partyStrip, QStringLiteral("Party Bars"), party, party->frame()});
            list.append({summaryPanel, QStringLiteral("Summary"), summary,
                         summary->frame().adjusted(10, 10, -10, -10)});
            return list;
        });
        QObject::connect(view.get(), &EditorView::dropped, [this](HUDWidgetID id, QPointF origin) {
            commits.append({id, origin});
        });
        QObject::connect(view.get(), &EditorView::resetPressed, [this] { ++resets; });
        QObject::connect(view.get(), &EditorView::donePressed, [this] { ++dones; });
        view->resize(1440, 900);
    }

    QPointF local(QPointF model) const { return view->toLocal(QRectF(model, QSizeF())).topLeft(); }

    void mouse(QEvent::Type type, QPointF model)
    {
        const QPointF p = local(model);
        const Qt::MouseButtons held
            = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, p, view->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }

    bool goldAt(QPointF model)
    {
        return WidgetTest::near(view->grab().toImage().pixelColor(local(model).toPoint()),
                                EditorView::gold(), 6);
    }

    // A display 1440 × 900 at the origin with a 25-point top bar.
    const ScreenInfo screen = FakeScreens::make(QStringLiteral("main"), {0, 0, 1440, 900}, 25);
    std::shared_ptr<FakePanelWindow> hp = std::make_shared<FakePanelWindow>();
    std::shared_ptr<FakePanelWindow> party = std::make_shared<FakePanelWindow>();
    std::shared_ptr<FakePanelWindow> summary = std::make_shared<FakePanelWindow>();
    bool hpShown = true;
    Commits commits;
    int resets = 0, dones = 0;
    std::unique_ptr<EditorView> view;
};

} // namespace

TEST_F(EditorViewTest, DragSnapsToTheMarginAndOtherWidgetsMovesThePanelAndCommitsOnRelease)
{
    EXPECT_FALSE(goldAt({24, 800}));
    mouse(QEvent::MouseButtonPress, {100, 800}); // grabbed 76 right of, 40 above the origin
    ASSERT_TRUE(view->dragging() && view->dragging()->id == playerStatus);
    mouse(QEvent::MouseMove, {80 + 76, 503 + 40}); // proposes (80, 503)
    mouse(QEvent::MouseMove, {29 + 76, 503 + 40}); // proposes (29, 503)
    // x on the margin line; y far from every line, so on the grid.
    EXPECT_EQ(hp->frame(), QRectF(24, 504, 475, 95));
    EXPECT_EQ(std::pair(view->guideX(), view->guideY()), std::pair(Guide(24), Guide()));
    EXPECT_TRUE(commits.isEmpty());
    // Gold: the held outline and vertical guide; not the other outlines, nor a horizontal guide.
    EXPECT_EQ(
        (QList<bool>{goldAt({24, 550}), goldAt({24, 100}), goldAt({200, 710}), goldAt({700, 504})}),
        (QList<bool>{true, true, false, false}));
    mouse(QEvent::MouseButtonRelease, {29 + 76, 503 + 40});
    EXPECT_FALSE(view->dragging() || view->guideX());
    EXPECT_FALSE(goldAt({24, 100}));
    // The summary's content, proposed 9 right of the party strip (374) and level with its top.
    mouse(QEvent::MouseButtonPress, {1000, 400});
    ASSERT_EQ(view->dragging()->id, summaryPanel);
    mouse(QEvent::MouseMove, {1000 - 910 + 383, 400 - 210 + 283});
    EXPECT_EQ(std::pair(view->guideX(), view->guideY()), std::pair(Guide(382), Guide(710)));
    EXPECT_EQ(summary->frame().topLeft(), QPointF(372, 276));
    mouse(QEvent::MouseButtonRelease, {0, 0});
    EXPECT_EQ(commits, (Commits{{playerStatus, {24, 504}}, {summaryPanel, {382, 286}}}));
    // A press on overlapping widgets picks the smallest.
    const QList<EditableWidget> widgets{
        {menuRail, QStringLiteral("Menu"), {}, {900, 100, 504, 472}},
        {summaryPanel, QStringLiteral("Summary"), {}, {1000, 200, 256, 200}},
        {skillSlots, QStringLiteral("Quick Bar"), {}, {1100, 250, 256, 200}},
        {playerStatus, QStringLiteral("HP Bar"), {}, {24, 700, 475, 95}},
    };
    EXPECT_EQ(EditorView::widgetAt(widgets, {1150, 300})->id, summaryPanel); // equal: first
    EXPECT_EQ(EditorView::widgetAt(widgets, {1300, 300})->id, skillSlots);
    EXPECT_EQ(EditorView::widgetAt(widgets, {950, 300})->id, menuRail);
    EXPECT_EQ(EditorView::widgetAt(widgets, {24, 795})->id, playerStatus); // on the corner
    EXPECT_FALSE(EditorView::widgetAt(widgets, {600, 600}));
}

TEST_F(EditorViewTest, ButtonsActInsteadOfPickingUpEscapeFinishesAndAWidgetGoneMidDragIsLetGo)
{
    // A widget under the RESET button does not get picked up by a press on the button.
    const QPointF reset = view->toModel(view->resetButton().center());
    party->setFrame(QRectF(reset - QPointF(20, 20), QSizeF(400, 200)));
    mouse(QEvent::MouseButtonPress, reset);
    EXPECT_TRUE(resets == 1 && !view->dragging());
    mouse(QEvent::MouseButtonPress, view->toModel(view->doneButton().center()));
    EXPECT_EQ(dones, 1);
    for (int key : {Qt::Key_A, Qt::Key_Escape}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }
    EXPECT_EQ(dones, 2);
    mouse(QEvent::MouseButtonPress, {100, 800});
    hpShown = false;
    mouse(QEvent::MouseMove, {300, 300});
    EXPECT_FALSE(view->dragging());
    EXPECT_EQ(hp->frame(), QRectF(24, 760, 475, 95));
    mouse(QEvent::MouseButtonRelease, {300, 300});
    EXPECT_TRUE(commits.isEmpty());
}

TEST(LayoutEditor, OpensOneEditorOverTheScreenClosesFromItsActionAndCanDrawThePanels)
{
    FakeScreens screens;
    const ScreenInfo main = FakeScreens::make(QStringLiteral("main"), {0, 0, 1440, 900}, 25);
    const ScreenInfo side = FakeScreens::make(QStringLiteral("side"), {1440, 100, 1280, 800});
    screens.setScreens({main, side});
    FakeWindowSystem windows;
    PanelStack stack(windows);
    LayoutEditor editor(screens, windows);
    editor.open(main, {});
    QPointer<EditorPanel> first = editor.panel();
    ASSERT_TRUE(first && first->isVisible());
    QObject::connect(&editor, &LayoutEditor::doneRequested, &editor, &LayoutEditor::close);
    editor.open(side, {});
    ASSERT_TRUE(editor.panel() && editor.panel() != first.data());
    EXPECT_FALSE(first && first->isVisible()); // the first editor was put away
    // In Qt's top-left coordinates, flipped with the primary display's height.
    EXPECT_EQ(editor.panel()->geometry(), QRect(1440, 0, 1280, 800));
    // Escape in the editor closes it from inside its own key handler.
    QPointer<EditorPanel> second = editor.panel();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(editor.view(), &escape);
    EXPECT_FALSE(editor.isOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first || second);
    // Without a compositor the panels are drawn inside their outlines.
    auto panel = std::make_shared<FloatingHUDPanel>(
        PanelStyle{QStringLiteral("playerStatus")},
        [](QWidget *parent, double) -> QWidget * { return new X11Probe::Plate(parent); }, screens,
        windows, stack);
    panel->setFrame({200, 400, 300, 100});
    panel->attachContent(1.0);
    EditorView view(main, [panel] {
        return QList<EditableWidget>{
            {playerStatus, QStringLiteral("HP Bar"), panel, panel->frame()}};
    });
    view.resize(1440, 900);
    const QPoint inside = view.toLocal(QRectF(350, 450, 0, 0)).topLeft().toPoint();
    // The plate, dimmed by 77/255, under the outline's white fill at 0.08.
    const auto plateUnderFill = [&view, inside] {
        const QColor c = view.grab().toImage().pixelColor(inside), plate = X11Probe::Plate::colour;
        const auto near
            = [](int v, int p) { return std::abs(v - (p * 178 / 255.0 * 0.92 + 20.4)) < 3; };
        return near(c.red(), plate.red()) && near(c.green(), plate.green())
            && near(c.blue(), plate.blue());
    };
    EXPECT_FALSE(plateUnderFill());
    view.setDrawsPanels(true);
    EXPECT_TRUE(plateUnderFill());
}

TEST(GridSnap, TheNearestLineWithinTenPointsTheEarlierOnATieElseTheGridOnEachAxis)
{
    const QList<double> starts{36}, ends{136};
    // Starts and ends of the others, the proposed start, the length, where it lands, the guide.
    const std::tuple<QList<double>, QList<double>, double, double, double, Guide> rows[] = {
        {{}, {}, 31, 300, 24, 24}, // the margin line
        {{}, {}, 34, 300, 24, 24}, // exactly 10 away still snaps
        {{}, {}, 34.5, 300, 32, {}}, // onto the grid instead
        {{}, {}, 1110, 300, 1116, 1416}, // the span's end on the far margin, 24 inside
        {{}, {}, 575, 300, 570, 720}, // the centre line
        {starts, ends, 30, 50, 24, 24}, // margin (24) and a start (36) both 6 away: margin first
        {starts, ends, 33, 50, 36, 36}, // the nearer one, not the first in reach
        {starts, ends, 84, 50, 86, 136}, // ends aligned
        {{}, {}, 204, 100, 208, {}}, // grid halves go away from zero, both sides
        {{}, {}, -204, 100, -208, {}},
    };
    for (const auto &[starts, ends, start, length, value, guide] : rows) {
        const auto got = GridSnap::snapAxis(starts, ends, start, length, 0, 1440);
        EXPECT_EQ(std::pair(got.value, got.guide), std::pair(value, guide)) << start;
    }
    // Whole frames, y up: the others, proposed origin, size, visible frame, result and guides.
    const QList<QRectF> beside{{100, 500, 300, 100}}, under{{600, 300, 200, 100}};
    const std::tuple<QList<QRectF>, QPointF, QSizeF, QRectF, QPointF, Guide, Guide> cases[] = {
        // The margin line of a visible frame right of a 70-point dock is at 94.
        {{}, {101, 403}, {475, 95}, {70, 0, 1370, 875}, {94, 400}, 94, {}},
        {beside, {-105, 203}, {200, 60}, kBounds, {-108, 200}, 92, {}}, // the gap before it
        {under, {900, 405}, {100, 50}, kBounds, {904, 408}, {}, 408}, // above its top edge
        {{}, {900, 795}, {100, 50}, kBounds, {904, 801}, {}, 851}, // the top margin line
        // Far from every line: on the grid counted from the visible frame's corner (y = 50).
        {{}, {203, 203}, {100, 60}, {0, 50, 1440, 850}, {200, 202}, {}, {}},
    };
    for (const auto &[others, origin, size, bounds, expected, guideX, guideY] : cases) {
        const auto r = GridSnap::snap(others, origin, size, bounds);
        EXPECT_EQ(std::tuple(r.origin, r.guideX, r.guideY), std::tuple(expected, guideX, guideY))
            << origin.x() << ", " << origin.y();
    }
}

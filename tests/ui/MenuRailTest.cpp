#include "ui/menu/MenuRail.h"
#include "ui/CoreTheme.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuRailColumn.h"
#include "ui/menu/MenuSelection.h"
#include "widgets/WidgetTestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

using CoreWidgets::MenuRail;
using CoreWidgets::MenuRailColumn;

namespace {

template <typename Entries> QStringList titles(const Entries &entries)
{
    QStringList out;
    for (const auto &entry : entries)
        out << entry.title;
    return out;
}

// A rail over recording effects and a hidden-widget set of its own.
struct RailFixture : ::testing::Test
{
    MenuSelection selection;
    QSet<HUDWidgetID> hidden;
    QStringList ran;
    QList<QList<QRectF>> reported;
    std::unique_ptr<MenuRail> rail;

    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        MenuRail::Inputs in;
        in.selection = &selection;
        in.facts = [this] {
            return MenuFacts{.isHidden = [this](HUDWidgetID id) { return hidden.contains(id); }};
        };
        in.onRegions = [this](const QList<QRectF> &r) { reported << r; };
        in.playCue = [this](CoreSoundEngine::Cue) { ran << "cue"; };
        in.effects.toggleWidget = [this](HUDWidgetID id) {
            if (!hidden.remove(id))
                hidden.insert(id);
            ran << "toggle " + HUDWidget::rawValue(id);
            return !hidden.contains(id);
        };
        in.effects.showInventory = [this] { ran << "inventory"; };
        in.effects.openApp = [this](const QString &name, const QStringList &) {
            ran << "open " + name;
            return true;
        };
        rail = std::make_unique<MenuRail>(std::move(in));
    }

    bool anyRegionContains(const QPointF &p) const
    {
        const QList<QRectF> regions = rail->regions();
        return std::any_of(regions.begin(), regions.end(),
                           [&](const QRectF &r) { return r.contains(p); });
    }
};

} // namespace

TEST(MenuRailRules, ChildrenColumnLinesUpUntilItWouldRunOffTheFoot)
{
    // Three rows fit anywhere up to 472 - 142 - 8; nine below the fourth node need 472 - 430 - 8.
    // A column taller than the rail allows still starts no higher than 24 when pushed down.
    const std::tuple<double, int, double> cases[]
        = {{48, 3, 48}, {400, 3, 322}, {144, 9, 34}, {144, 10, 24}, {0, 10, 0}};
    for (const auto &[offset, rows, top] : cases)
        EXPECT_EQ(MenuRail::childrenColumnTop(offset, rows), top) << offset << ", " << rows;
    EXPECT_EQ(MenuRailColumn::heightFor(9), 9 * 46 + 8 * 2);
    EXPECT_EQ(MenuRailColumn::heightFor(0), 0);
}

TEST_F(RailFixture, ShowsTheTreeTopDownAndReportsOnlyWhatItDraws)
{
    const MenuCategory &character = MenuTree::categories().first();
    using WidgetTest::accessibleNames;
    EXPECT_EQ(accessibleNames(rail->categoryButtons()), titles(MenuTree::categories()));
    EXPECT_EQ(accessibleNames(rail->nodeButtons()), titles(character.nodes));
    EXPECT_EQ(accessibleNames(rail->childButtons()), titles(character.nodes.first().children));
    const auto rows = rail->nodeButtons();
    for (qsizetype i = 1; i < rows.size(); ++i)
        EXPECT_LT(rows[i - 1]->geometry().top(), rows[i]->geometry().top());
    EXPECT_EQ(rows[0]->toolTip(), MenuTree::detailText(character.nodes[0].title, {}));

    // 5 categories, 3 nodes, 3 children; the empty lower right passes clicks on.
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_EQ(reported.last(), rail->regions());
    EXPECT_EQ(rail->regions().size(), 11);
    EXPECT_FALSE(anyRegionContains(QPointF(480, 460)));
    EXPECT_TRUE(anyRegionContains(QPointF(200, 20))) << "the first node row";
    EXPECT_TRUE(anyRegionContains(QPointF(40, 40))) << "the first category";

    rail->chooseCategory(1); // Friends: two nodes, no children
    EXPECT_EQ(rail->regions().size(), 7);
    EXPECT_EQ(reported.last(), rail->regions());
    EXPECT_TRUE(rail->childButtons().isEmpty());
    EXPECT_FALSE(anyRegionContains(QPointF(400, 20)));
}

TEST_F(RailFixture, CategoryClickResetsTheNodeAndRunsNothingNodesRunOrOpen)
{
    rail->chooseNode(1);
    ran.clear();
    rail->categoryButtons()[4]->click();
    EXPECT_EQ(ran, QStringList{"cue"});
    EXPECT_EQ(QList({rail->selectedCategory(), rail->selectedNode(), rail->selectedChild()}),
              QList({4, 0, 0}));
    EXPECT_EQ(selection.category(), "Settings");

    // A node without children runs at once; one with children only opens them.
    rail->chooseCategory(2); // Communications
    ran.clear();
    rail->nodeButtons()[1]->click();
    EXPECT_EQ(ran, QStringList{"open Mail"});
    EXPECT_EQ(selection.item() + ": " + selection.detail(), "Mail: Open Mail");
    rail->chooseCategory(0);
    ran.clear();
    rail->nodeButtons()[0]->click();
    EXPECT_TRUE(ran.isEmpty());
    rail->childButtons()[0]->click();
    EXPECT_EQ(ran, QStringList{"inventory"});
}

TEST_F(RailFixture, WidgetsChildrenSitBesideTheirNodeAndClockToggles)
{
    rail->chooseCategory(4);
    rail->chooseNode(3); // Widgets
    const auto children = rail->childButtons();
    ASSERT_EQ(children.size(), 9);
    // Nine rows below the fourth node are held up to stay on the rail.
    EXPECT_EQ(rail->regions()[5 + 9].top(), 34);
    EXPECT_LE(rail->regions().last().bottom(), 472 - 8);

    EXPECT_EQ(children[2]->toolTip(), "Clock is shown. Click to hide it.");
    ran.clear();
    children[2]->click();
    EXPECT_EQ(ran, QStringList{"toggle fieldHeader"});
    EXPECT_EQ(selection.item() + " " + selection.icon(), "Clock clock.fill");
    EXPECT_EQ(rail->selectedChild(), 2);
    // The selection and the help read the state after the toggle.
    EXPECT_EQ(selection.detail(), "Clock is hidden. Click to show it.");
    EXPECT_EQ(rail->childButtons()[2]->toolTip(), "Clock is hidden. Click to show it.");
}

TEST_F(RailFixture, OutOfRangeIndicesClampAndAttentionMarksFollowTheCounts)
{
    rail->chooseCategory(99);
    EXPECT_EQ(rail->selectedCategory(), 4);
    rail->chooseNode(99);
    EXPECT_EQ(rail->selectedNode(), 8);
    EXPECT_EQ(selection.item(), "Log Out");

    MenuPaintedButton *comms = rail->categoryButtons()[2];
    EXPECT_EQ(comms->accessibleName(), "Communications");
    rail->setUnreadCount(4);
    EXPECT_EQ(comms->accessibleName(), "Communications, needs attention");
    EXPECT_EQ(comms->toolTip(), "4 unread in Messages and Mail");
    rail->setUnreadCount(0);
    EXPECT_EQ(comms->accessibleName(), "Communications");
    rail->setUrgentQuestCount(1);
    EXPECT_EQ(rail->categoryButtons()[3]->toolTip(), "1 quest(s) need you now");
}

TEST_F(RailFixture, ChosenRowIsTintedGold)
{
    rail->show();
    const QImage image = WidgetTest::render(*rail, QColor(255, 255, 255));
    // The right part of the chosen Items row and of Skills below it, clear of icon and text.
    auto sample = [&](const QRectF &row) {
        return image.pixelColor(QPoint(int(row.right() - 12), int(row.center().y())));
    };
    const QColor chosen = sample(rail->regions()[5]), other = sample(rail->regions()[6]);
    EXPECT_GT(WidgetTest::distance(chosen, other), 12);
    EXPECT_GT(chosen.red() - chosen.blue(), other.red() - other.blue()) << "more red than blue";
}

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

QStringList names(const QList<MenuPaintedButton *> &buttons)
{
    QStringList list;
    for (const MenuPaintedButton *b : buttons)
        list << b->accessibleName();
    return list;
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
            MenuFacts f;
            f.isHidden = [this](HUDWidgetID id) { return hidden.contains(id); };
            return f;
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
        for (const QRectF &r : rail->regions())
            if (r.contains(p))
                return true;
        return false;
    }
};

} // namespace

TEST(MenuRailRules, ChildrenColumnLinesUpUntilItWouldRunOffTheFoot)
{
    // Three rows fit anywhere up to 472 - 142 - 8.
    EXPECT_EQ(MenuRail::childrenColumnTop(48, 3), 48);
    EXPECT_EQ(MenuRail::childrenColumnTop(400, 3), 322);
    // Nine widget rows below the fourth node: 472 - 430 - 8.
    EXPECT_EQ(MenuRail::childrenColumnTop(144, 9), 34);
    // A column taller than the rail allows still starts no higher than 24 when pushed down.
    EXPECT_EQ(MenuRail::childrenColumnTop(144, 10), 24);
    EXPECT_EQ(MenuRail::childrenColumnTop(0, 10), 0);
    EXPECT_EQ(MenuRailColumn::heightFor(9), 9 * 46 + 8 * 2);
    EXPECT_EQ(MenuRailColumn::heightFor(0), 0);
}

TEST_F(RailFixture, ShowsTheTreeTopDownWithEachRowsDetailAsItsHelp)
{
    const auto titles = [](const auto &list) {
        QStringList out;
        for (const auto &entry : list)
            out << entry.title;
        return out;
    };
    const MenuCategory &character = MenuTree::categories().first();
    EXPECT_EQ(names(rail->categoryButtons()), titles(MenuTree::categories()));
    EXPECT_EQ(names(rail->nodeButtons()), titles(character.nodes));
    EXPECT_EQ(names(rail->childButtons()), titles(character.nodes.first().children));
    const auto rows = rail->nodeButtons();
    for (qsizetype i = 1; i < rows.size(); ++i)
        EXPECT_LT(rows[i - 1]->geometry().top(), rows[i]->geometry().top());
    EXPECT_EQ(rows[0]->toolTip(), MenuTree::detailText(character.nodes[0].title, {}));
}

TEST_F(RailFixture, ReportsOnlyWhatItDraws)
{
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_EQ(reported.last(), rail->regions());
    // 5 categories, 3 nodes, 3 children.
    EXPECT_EQ(rail->regions().size(), 11);
    // The empty lower right of the rail passes clicks on.
    EXPECT_FALSE(anyRegionContains(QPointF(480, 460)));
    // The first node row and the first category are drawn.
    EXPECT_TRUE(anyRegionContains(QPointF(200, 20)));
    EXPECT_TRUE(anyRegionContains(QPointF(40, 40)));

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
    EXPECT_EQ(rail->selectedCategory(), 4);
    EXPECT_EQ(rail->selectedNode(), 0);
    EXPECT_EQ(rail->selectedChild(), 0);
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
    const QRectF firstChild = rail->regions()[5 + 9];
    EXPECT_EQ(firstChild.top(), 34);
    EXPECT_LE(rail->regions().last().bottom(), 472 - 8);

    EXPECT_EQ(children[2]->toolTip(), "Clock is shown. Click to hide it.");
    ran.clear();
    children[2]->click();
    EXPECT_EQ(ran, QStringList{"toggle fieldHeader"});
    EXPECT_EQ(selection.item(), "Clock");
    EXPECT_EQ(selection.icon(), "clock.fill");
    // The selection and the help read the state after the toggle.
    EXPECT_EQ(selection.detail(), "Clock is hidden. Click to show it.");
    EXPECT_EQ(rail->childButtons()[2]->toolTip(), "Clock is hidden. Click to show it.");
    EXPECT_EQ(rail->selectedChild(), 2);
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
    WidgetTest::snapshot(*rail, "menu-rail");
    const QRectF items = rail->regions()[5];
    const QRectF skills = rail->regions()[6];
    // Sample the right part of each row, clear of icon and text.
    auto sample = [&](const QRectF &row) {
        return image.pixelColor(QPoint(int(row.right() - 12), int(row.center().y())));
    };
    const QColor chosen = sample(items), other = sample(skills);
    EXPECT_GT(WidgetTest::distance(chosen, other), 12);
    // Gold tint: more red than blue.
    EXPECT_GT(chosen.red() - chosen.blue(), other.red() - other.blue());
}

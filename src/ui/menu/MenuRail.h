#pragma once

#include "platform/Feedback.h"
#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuTree.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <optional>

class CoreSpringAnimation;
class FlashModifier;
class HUDWidgetSettings;
class MenuPaintedButton;
class MenuSelection;

namespace CoreWidgets {

class MenuRailColumn;

// The game menu's rail: the round category buttons, the chosen category's nodes and, when the
// chosen node has children, a third column of them lined up with it. Clicking writes the shared
// selection and runs the entry; the rail reports where it draws so that only those places take
// clicks.
class MenuRail final : public QWidget
{
    Q_OBJECT

public:
    static constexpr double railWidth = 504;
    static constexpr double railHeight = 472;
    static constexpr double rowH = 46;
    static constexpr double rowGap = 2;
    static constexpr double columnGap = 12;
    static constexpr double columnInset = 14;
    static constexpr double categorySize = 54;
    static constexpr double categoryPadV = 14;
    static constexpr double categoryPadH = 10;
    // Room on the leading side for the selected category's pointer and shadow.
    static constexpr double leadingRoom = 12;
    // The node column starts level with the middle of the first category button.
    static constexpr double nodesTop = categoryPadV + categorySize / 2 - rowH / 2;

    // The widget settings' changes refresh the widget entries' detail lines.
    MenuRail(MenuEffects effects, MenuSelection &selection, QWidget *parent = nullptr);
    ~MenuRail() override;

    // Where the children column's first row sits: level with the chosen node (`chosenOffset`
    // from the top), but never so low that its `rows` run past the rail's foot with 8 points to
    // spare, and that limit itself never above 24.
    static double childrenColumnTop(double chosenOffset, int rows);

    // The marks on Communications and Maps; nothing while no service counts.
    void setUnreadCount(std::optional<int> count);
    void setUrgentQuestCount(std::optional<int> count);

    int selectedCategory() const { return m_selected; }
    int selectedNode() const { return m_l2; }
    int selectedChild() const { return m_l3; }

    QList<MenuPaintedButton *> categoryButtons() const { return m_categoryButtons; }
    QList<MenuPaintedButton *> nodeButtons() const;
    QList<MenuPaintedButton *> childButtons() const;
    // What the rail draws and takes clicks in.
    QList<QRectF> regions() const;

    // Acts as a click on a category, node or child row.
    void chooseCategory(int index);
    void chooseNode(int index);
    void chooseChild(int index);

    QSize sizeHint() const override;

signals:
    // What the rail draws changed: the rectangles, in its own top-left coordinates. The first
    // are drawn while it is built; `regions()` has them.
    void regionsChanged(const QList<QRectF> &regions);
    void cue(SoundCue cue);

private:
    void buildCategories();
    void rebuildColumns(bool animated);
    void refreshTexts();
    void refreshCategoryTexts();
    void reportRegions();
    void writeSelection(const QString &title, const QString &icon);
    void run(const QString &title);
    MenuFacts facts() const;
    QRectF categoryCell(int index) const;
    const MenuCategory &category() const;
    const QList<MenuNode> &nodes() const;

    MenuEffects m_effects;
    QPointer<MenuSelection> m_selection;
    int m_selected = 0;
    int m_l2 = 0;
    int m_l3 = 0;
    std::optional<int> m_unread;
    std::optional<int> m_urgent;
    QList<MenuPaintedButton *> m_categoryButtons;
    QList<CoreSpringAnimation *> m_categoryScales;
    QList<FlashModifier *> m_flashes;
    MenuRailColumn *m_nodes;
    MenuRailColumn *m_children;
    QList<QRectF> m_lastRegions;
    bool m_reported = false;
};

} // namespace CoreWidgets

#include "ui/menu/MenuRail.h"

#include "hud/HUDWidgetSettings.h"
#include "ui/CoreCircleIcon.h"
#include "ui/CoreSpringAnimation.h"
#include "ui/CoreTheme.h"
#include "ui/FlashModifier.h"
#include "ui/PulseRing.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuRailColumn.h"
#include "ui/menu/MenuSelection.h"

#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

#include <algorithm>

namespace {
constexpr double kCategorySpringResponse = 0.32;
constexpr double kCategorySpringDamping = 0.78;
constexpr double kBadgeSize = 10;
constexpr double kBadgePad = 5;
constexpr double kCaptionSize = 8;

int clampIndex(int index, qsizetype count)
{
    if (count <= 0)
        return 0;
    return std::clamp(index, 0, int(count) - 1);
}
} // namespace

namespace CoreWidgets {

MenuRail::MenuRail(MenuEffects effects, MenuSelection &selection, QWidget *parent)
    : QWidget(parent)
    , m_effects(std::move(effects))
    , m_selection(&selection)
    , m_nodes(new MenuRailColumn(this))
    , m_children(new MenuRailColumn(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Menu"));
    resize(sizeHint());
    m_children->hide();
    connect(m_nodes, &MenuRailColumn::rowClicked, this, &MenuRail::chooseNode);
    connect(m_children, &MenuRailColumn::rowClicked, this, &MenuRail::chooseChild);
    buildCategories();
    rebuildColumns(false);
    connect(&m_effects.widgets, &HUDWidgetSettings::hiddenChanged, this,
            [this] { refreshTexts(); });
}

MenuRail::~MenuRail() = default;

QSize MenuRail::sizeHint() const
{
    return {int(railWidth), int(railHeight)};
}

double MenuRail::childrenColumnTop(double chosenOffset, int rows)
{
    const double height = MenuRailColumn::heightFor(rows);
    const double lowest = std::max(24.0, railHeight - height - 8);
    return std::min(chosenOffset, lowest);
}

QRectF MenuRail::categoryCell(int index) const
{
    const double w = categorySize + 2 * categoryPadH;
    const double h = categorySize + 2 * categoryPadV;
    return {leadingRoom, index * h, w, h};
}

const MenuCategory &MenuRail::category() const
{
    const auto &all = MenuTree::categories();
    return all[clampIndex(m_selected, all.size())];
}

const QList<MenuNode> &MenuRail::nodes() const
{
    return category().nodes;
}

void MenuRail::buildCategories()
{
    const auto &all = MenuTree::categories();
    for (int i = 0; i < all.size(); ++i) {
        auto *scale
            = new CoreSpringAnimation(kCategorySpringResponse, kCategorySpringDamping, this);
        scale->setValue(i == m_selected ? CoreCircleIcon::selectedScale : 1.0);
        const MenuCategory cat = all[i];
        auto *button = new MenuPaintedButton(
            [this, i, cat, scale](QPainter &painter, const QRectF &bounds,
                                  const MenuPaintedButton &) {
                painter.setRenderHint(QPainter::Antialiasing);
                const bool chosen = i == clampIndex(m_selected, MenuTree::categories().size());
                const QPointF centre(bounds.left() + leadingRoom + categoryPadH + categorySize / 2,
                                     bounds.top() + categoryPadV + categorySize / 2);
                CoreCircleIcon(cat.icon, chosen, categorySize)
                    .paint(painter, centre, scale->value());
                const auto mark = MenuTree::attention(cat.title, m_unread, m_urgent);
                if (!mark)
                    return;
                painter.setFont(themeFont(kBadgeSize, ThemeWeight::bold));
                const QString count = QString::number(mark->count);
                const double textW = painter.fontMetrics().horizontalAdvance(count);
                const double badgeH = painter.fontMetrics().height() + 2;
                const double badgeW = std::max(badgeH, textW + 2 * kBadgePad);
                const QRectF badge(centre.x() + categorySize / 2 - badgeW + 6,
                                   centre.y() - categorySize / 2 - 2, badgeW, badgeH);
                painter.setPen(Qt::NoPen);
                painter.setBrush(CoreTheme::accentPink());
                painter.drawRoundedRect(badge, badgeH / 2, badgeH / 2);
                painter.setPen(Qt::white);
                painter.drawText(badge, Qt::AlignCenter, count);
                painter.setFont(themeFont(kCaptionSize, ThemeWeight::bold));
                painter.setPen(CoreTheme::gold());
                const QRectF caption(bounds.left(), centre.y() + categorySize / 2 + 1,
                                     bounds.width(), categoryPadV);
                painter.drawText(caption, Qt::AlignCenter, cat.title.toUpper());
            },
            this);
        // The button reaches left of its cell for the selected face's pointer and shadow.
        button->setGeometry(categoryCell(i).adjusted(-leadingRoom, 0, 0, 0).toRect());
        connect(scale, &CoreSpringAnimation::valueChanged, button, qOverload<>(&QWidget::update));
        connect(button, &QAbstractButton::clicked, this, [this, i] { chooseCategory(i); });
        m_categoryButtons << button;
        m_categoryScales << scale;
        m_flashes << new FlashModifier(button);
    }
    refreshCategoryTexts();
}

QList<MenuPaintedButton *> MenuRail::nodeButtons() const
{
    return m_nodes->buttons();
}

QList<MenuPaintedButton *> MenuRail::childButtons() const
{
    if (m_children->isHidden() || m_children->leaving())
        return {};
    return m_children->buttons();
}

void MenuRail::chooseCategory(int index)
{
    emit cue(SoundCue::select);
    const int previous = clampIndex(m_selected, MenuTree::categories().size());
    m_selected = clampIndex(index, MenuTree::categories().size());
    m_l2 = 0;
    m_l3 = 0;
    for (int i = 0; i < m_categoryScales.size(); ++i)
        m_categoryScales[i]->animateTo(i == m_selected ? CoreCircleIcon::selectedScale : 1.0);
    for (MenuPaintedButton *b : std::as_const(m_categoryButtons))
        b->update();
    rebuildColumns(previous != m_selected);
    const MenuCategory &cat = category();
    writeSelection(cat.title, cat.icon);
}

void MenuRail::chooseNode(int index)
{
    const QList<MenuNode> &list = nodes();
    if (list.isEmpty())
        return;
    const int previous = clampIndex(m_l2, list.size());
    m_l2 = clampIndex(index, list.size());
    m_l3 = 0;
    rebuildColumns(previous != m_l2);
    const MenuNode node = list[m_l2];
    QPointer<MenuRail> self(this);
    if (node.children.isEmpty())
        run(node.title);
    if (self)
        writeSelection(node.title, node.icon);
}

void MenuRail::chooseChild(int index)
{
    const QList<MenuNode> &list = nodes();
    if (list.isEmpty())
        return;
    const MenuNode &node = list[clampIndex(m_l2, list.size())];
    if (node.children.isEmpty())
        return;
    m_l3 = clampIndex(index, node.children.size());
    m_children->setSelected(m_l3, true);
    const MenuNode child = node.children[m_l3];
    QPointer<MenuRail> self(this);
    run(child.title);
    if (self)
        writeSelection(child.title, child.icon);
}

void MenuRail::run(const QString &title)
{
    QPointer<MenuRail> self(this);
    MenuActions::runNode(title, m_effects);
    // Running may have put the whole menu away, and this view with it.
    if (self)
        refreshTexts();
}

void MenuRail::writeSelection(const QString &title, const QString &icon)
{
    if (m_selection)
        m_selection->select(category().title, title, icon, MenuTree::detailText(title, facts()));
}

void MenuRail::rebuildColumns(bool animated)
{
    const QList<MenuNode> &list = nodes();
    const int l2 = clampIndex(m_l2, list.size());
    const double nodesX = leadingRoom + categorySize + 2 * categoryPadH + columnGap + columnInset;

    const bool sameNodes = m_nodes->rows().size() == list.size()
        && (list.isEmpty() || m_nodes->rows().first().title == list.first().title);
    if (!sameNodes || m_nodes->isHidden()) {
        m_nodes->setRows(list);
        m_nodes->placeRows(QPointF(nodesX, nodesTop));
        m_nodes->appear(animated);
    }
    m_nodes->setSelected(l2, animated && sameNodes);

    const QList<MenuNode> children = list.isEmpty() ? QList<MenuNode>() : list[l2].children;
    if (children.isEmpty()) {
        m_children->disappear(animated);
    } else {
        const double chosenOffset = nodesTop + MenuRailColumn::rowRect(l2).top();
        const double top = childrenColumnTop(chosenOffset, int(children.size()));
        const bool same = !m_children->leaving() && !m_children->isHidden()
            && m_children->rows().size() == children.size()
            && m_children->rows().first().title == children.first().title;
        if (!same) {
            m_children->setRows(children);
            m_children->placeRows(
                QPointF(nodesX + MenuRailColumn::width + columnGap + columnInset, top));
            m_children->appear(animated);
        }
        m_children->setSelected(clampIndex(m_l3, children.size()), animated && same);
    }
    refreshTexts();
}

void MenuRail::refreshTexts()
{
    const MenuFacts f = facts();
    for (int i = 0; i < m_nodes->rows().size(); ++i) {
        const QString &title = m_nodes->rows()[i].title;
        m_nodes->setRowHelp(i, MenuTree::detailText(title, f), title);
    }
    for (int i = 0; i < m_children->rows().size(); ++i) {
        const QString &title = m_children->rows()[i].title;
        m_children->setRowHelp(i, MenuTree::detailText(title, f), title);
    }
    refreshCategoryTexts();
    reportRegions();
}

void MenuRail::refreshCategoryTexts()
{
    const auto &all = MenuTree::categories();
    const MenuFacts f = facts();
    for (int i = 0; i < m_categoryButtons.size(); ++i) {
        const QString &title = all[i].title;
        const auto mark = MenuTree::attention(title, m_unread, m_urgent);
        if (mark)
            m_categoryButtons[i]->setHelp(mark->help, mark->accessibleName);
        else
            m_categoryButtons[i]->setHelp(MenuTree::detailText(title, f), title);
        m_flashes[i]->setActive(mark.has_value());
        m_categoryButtons[i]->update();
    }
}

void MenuRail::setUnreadCount(std::optional<int> count)
{
    m_unread = count;
    refreshCategoryTexts();
}

void MenuRail::setUrgentQuestCount(std::optional<int> count)
{
    m_urgent = count;
    refreshCategoryTexts();
}

QList<QRectF> MenuRail::regions() const
{
    QList<QRectF> list;
    for (int i = 0; i < m_categoryButtons.size(); ++i)
        list << categoryCell(i);
    list << m_nodes->rowRegions();
    if (!m_children->leaving() && !m_children->isHidden())
        list << m_children->rowRegions();
    return list;
}

void MenuRail::reportRegions()
{
    const QList<QRectF> now = regions();
    if (m_reported && now == m_lastRegions)
        return;
    m_reported = true;
    m_lastRegions = now;
    emit regionsChanged(now);
}

MenuFacts MenuRail::facts() const
{
    return m_effects.facts();
}

} // namespace CoreWidgets

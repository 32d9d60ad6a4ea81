#include "ui/menu/MenuRailColumn.h"

#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreSpringAnimation.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/menu/MenuPaintedButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
constexpr double kSpringResponse = 0.28;
constexpr double kSpringDamping = 0.82;
constexpr double kSlide = 18;
constexpr int kAppearMs = 220;
constexpr int kLeaveMs = 160;
constexpr double kPlateCut = 8;
constexpr double kIconDisc = 28;
constexpr double kIconGlyph = 11;
constexpr double kTitleSize = 15;
constexpr double kChevronGlyph = 9;

void paintRow(QPainter &painter, const QRectF &bounds, const MenuNode &node, bool hovered)
{
    painter.setRenderHint(QPainter::Antialiasing);
    if (hovered) {
        QColor wash = CoreTheme::gold();
        wash.setAlphaF(0.08f);
        painter.fillRect(bounds, wash);
    }
    const QRectF disc(bounds.left() + 10, bounds.center().y() - kIconDisc / 2, kIconDisc,
                      kIconDisc);
    QColor gold = CoreTheme::gold();
    gold.setAlphaF(0.9f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gold);
    painter.drawEllipse(disc);
    Symbols::draw(painter, disc, node.icon, CoreTheme::ink(), kIconGlyph);

    const double textLeft = disc.right() + 10;
    const double chevronWidth = node.children.isEmpty() ? 0 : 18;
    const QRectF titleRect(textLeft, bounds.top(), bounds.right() - textLeft - chevronWidth - 6,
                           bounds.height());
    painter.setFont(themeFont(kTitleSize, ThemeWeight::bold));
    painter.setPen(CoreTheme::textSecondary());
    const QString title
        = painter.fontMetrics().elidedText(node.title, Qt::ElideRight, int(titleRect.width()));
    painter.drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft, title);
    if (!node.children.isEmpty()) {
        QColor muted = CoreTheme::textSecondary();
        muted.setAlphaF(0.6f);
        const QRectF chevron(bounds.right() - chevronWidth - 6, bounds.top(), chevronWidth,
                             bounds.height());
        Symbols::draw(painter, chevron, QStringLiteral("chevron.right"), muted, kChevronGlyph);
    }
}
} // namespace

namespace CoreWidgets {

MenuRailColumn::MenuRailColumn(QWidget *parent)
    : QWidget(parent)
    , m_tint(new CoreSpringAnimation(kSpringResponse, kSpringDamping, this))
    , m_appear(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_tint, &CoreSpringAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    m_appear->setStartValue(0.0);
    m_appear->setEndValue(1.0);
    connect(m_appear, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { applyAppearance(v.toDouble()); });
    connect(m_appear, &QVariantAnimation::finished, this, [this] {
        if (m_leaving)
            hide();
    });
}

MenuRailColumn::~MenuRailColumn() = default;

double MenuRailColumn::heightFor(int rows)
{
    if (rows <= 0)
        return 0;
    return rows * rowH + (rows - 1) * rowGap;
}

QRectF MenuRailColumn::rowRect(int index)
{
    return {0, index * (rowH + rowGap), width, rowH};
}

void MenuRailColumn::setRows(const QList<MenuNode> &rows)
{
    // Rows can be replaced from inside a click on one of them: they go once it has returned.
    for (MenuPaintedButton *button : std::as_const(m_buttons)) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    m_rows = rows;
    for (int i = 0; i < rows.size(); ++i) {
        const MenuNode node = rows[i];
        auto *button = new MenuPaintedButton(
            [this, node](QPainter &painter, const QRectF &bounds, const MenuPaintedButton &b) {
                painter.setOpacity(painter.opacity() * m_progress);
                paintRow(painter, bounds, node, b.hovered());
            },
            this);
        button->setGeometry((QRectF(rowRect(i)).translated(margin, margin)).toRect());
        button->setHelp(node.title, node.title);
        connect(button, &QAbstractButton::clicked, this, [this, i] { emit rowClicked(i); });
        button->show();
        m_buttons << button;
    }
    resize(int(width + 2 * margin), int(heightFor(int(rows.size())) + 2 * margin));
    m_selected = -1;
    update();
}

void MenuRailColumn::setSelected(int index, bool animated)
{
    const double y = rowRect(index).top();
    if (animated && m_selected >= 0)
        m_tint->animateTo(y);
    else
        m_tint->setValue(y);
    m_selected = index;
    update();
}

void MenuRailColumn::setRowHelp(int index, const QString &help, const QString &accessibleName)
{
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index]->setHelp(help, accessibleName);
}

void MenuRailColumn::placeRows(const QPointF &topLeft)
{
    m_rowsTopLeft = topLeft;
    move((topLeft - QPointF(margin, margin)).toPoint());
}

QList<QRectF> MenuRailColumn::rowRegions() const
{
    QList<QRectF> regions;
    for (int i = 0; i < m_rows.size(); ++i)
        regions << rowRect(i).translated(m_rowsTopLeft);
    return regions;
}

void MenuRailColumn::appear(bool animated)
{
    m_leaving = false;
    show();
    m_appear->stop();
    if (!animated) {
        applyAppearance(1.0);
        return;
    }
    m_appear->setDuration(kAppearMs);
    m_appear->setEasingCurve(QEasingCurve::OutCubic);
    m_appear->setDirection(QAbstractAnimation::Forward);
    applyAppearance(0.0);
    m_appear->start();
}

void MenuRailColumn::disappear(bool animated)
{
    m_leaving = true;
    m_appear->stop();
    if (!animated || !isVisible()) { // nothing on screen to fade
        hide();
        return;
    }
    m_appear->setDuration(kLeaveMs);
    m_appear->setEasingCurve(QEasingCurve::InCubic);
    m_appear->setDirection(QAbstractAnimation::Backward);
    m_appear->start();
}

void MenuRailColumn::applyAppearance(double progress)
{
    m_progress = progress;
    update();
    for (MenuPaintedButton *button : std::as_const(m_buttons))
        button->update();
    const QPointF slide(-(1.0 - progress) * kSlide, 0);
    move((m_rowsTopLeft - QPointF(margin, margin) + slide).toPoint());
}

void MenuRailColumn::paintEvent(QPaintEvent *)
{
    if (m_rows.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_progress);
    QPainterPath plates;
    for (int i = 0; i < m_rows.size(); ++i)
        plates.addPath(CoreCutPanel(rowRect(i).translated(margin, margin), kPlateCut));
    plates.setFillRule(Qt::WindingFill);
    CoreShadow::paint(painter, plates, QColor::fromRgbF(0, 0, 0, 0.25f), 8, QPointF(0, 3));
    painter.fillPath(plates, CoreTheme::frostSolid());
    painter.strokePath(plates, QPen(QColor(255, 255, 255, 230), 1.5));
    if (m_selected >= 0) {
        QColor tint = CoreTheme::gold();
        tint.setAlphaF(0.15f);
        const QRectF row(margin, margin + m_tint->value(), width, rowH);
        painter.fillPath(CoreCutPanel(row, kPlateCut), tint);
    }
}

} // namespace CoreWidgets

#include "ui/widgets/SkillSlotTile.h"

#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/widgets/ReadoutText.h"

#include <QPainter>

namespace {
constexpr double kCut = 12;
constexpr double kShadowInset = 4;
constexpr double kEmptySize = 10;
constexpr double kAddSize = 7;
constexpr double kAddTracking = 0.8;
constexpr double kTitleSize = 11;
constexpr double kIconDisc = 36;
constexpr double kIconGlyph = 18;
constexpr double kPlusDisc = 26;
constexpr double kPlusGlyph = 16;

const ThemeType kAddType{kAddSize, ThemeWeight::bold, kAddTracking};
} // namespace

namespace CoreWidgets {

SkillSlotTile::SkillSlotTile(QWidget *parent)
    : CorePressButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSkill(std::nullopt);
}

void SkillSlotTile::setSkill(const std::optional<SlotSkill> &skill)
{
    m_skill = skill;
    if (m_skill) {
        setToolTip(m_skill->title);
        setAccessibleName(m_skill->title);
    } else {
        setToolTip(QStringLiteral("Open Skills to fill this slot"));
        setAccessibleName(QStringLiteral("Empty skill slot. Opens Skills."));
    }
    update();
}

void SkillSlotTile::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void SkillSlotTile::paintLabel(QPainter &painter, const QRectF &bounds)
{
    // The face leaves room for its shadow inside the widget.
    const QRectF face
        = bounds.adjusted(kShadowInset, kShadowInset / 2, -kShadowInset, -kShadowInset * 1.5);
    const QPainterPath plate = CoreCutPanel(face, kCut);
    CoreShadow::paint(painter, plate, QColor::fromRgbF(0, 0, 0, 0.22f), 6, QPointF(0, 2));
    painter.fillPath(plate, m_skill ? CoreTheme::frostSolid() : CoreTheme::frostGlass());
    const QColor edge = m_highlighted ? CoreTheme::gold() : QColor(Qt::white);
    painter.strokePath(plate, QPen(edge, m_highlighted ? 2.5 : 2));
    if (m_skill)
        paintSkill(painter, face);
    else
        paintEmpty(painter, face);
}

void SkillSlotTile::paintEmpty(QPainter &painter, const QRectF &face)
{
    const QFont empty = themeFont(kEmptySize, ThemeWeight::bold);
    const QFont add = themeFont(kAddType);
    const double emptyHeight = ReadoutText::height(empty);
    const double addHeight = ReadoutText::height(add);
    const double gap = 6;
    const double block = emptyHeight + gap + kPlusDisc + gap + addHeight;
    double y = face.center().y() - block / 2;
    ReadoutText::draw(painter, QRectF(face.left(), y, face.width(), emptyHeight), Qt::AlignHCenter,
                      QStringLiteral("EMPTY"), empty, CoreTheme::textMuted());
    y += emptyHeight + gap;

    const QRectF disc(face.center().x() - kPlusDisc / 2, y, kPlusDisc, kPlusDisc);
    QPen dashed(CoreTheme::textMuted(), 1.2, Qt::DashLine);
    dashed.setDashPattern({3, 2});
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(disc.adjusted(0.6, 0.6, -0.6, -0.6));
    Symbols::draw(painter, disc, QStringLiteral("plus"), CoreTheme::textMuted(), kPlusGlyph);
    y += kPlusDisc + gap;

    ReadoutText::draw(painter, QRectF(face.left(), y, face.width(), addHeight), Qt::AlignHCenter,
                      QStringLiteral("ADD SKILL"), add, CoreTheme::textMuted());
}

void SkillSlotTile::paintSkill(QPainter &painter, const QRectF &face)
{
    const QFont title = themeFont(kTitleSize, ThemeWeight::bold);
    const double titleHeight = ReadoutText::height(title);
    const double gap = 8;
    const double block = kIconDisc + gap + titleHeight;
    double y = face.center().y() - block / 2;

    const QRectF disc(face.center().x() - kIconDisc / 2, y, kIconDisc, kIconDisc);
    QColor discColour = CoreTheme::gold();
    discColour.setAlphaF(0.9f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(discColour);
    painter.drawEllipse(disc);
    Symbols::draw(painter, disc, m_skill->icon, CoreTheme::ink(), kIconGlyph);
    y += kIconDisc + gap;

    const double width = face.width() - 12;
    ReadoutText::draw(painter, QRectF(face.left() + 6, y, width, titleHeight), Qt::AlignHCenter,
                      ReadoutText::elided(m_skill->title, title, width), title,
                      CoreTheme::textSecondary());
}

} // namespace CoreWidgets

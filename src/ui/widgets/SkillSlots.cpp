#include "ui/widgets/SkillSlots.h"

#include "ui/CachedPaint.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/widgets/ReadoutText.h"
#include "ui/widgets/SkillSlotTile.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kSkewDegrees = -30;
constexpr double kTextShadow = 0.4;
constexpr double kLeadingPadding = 16;
constexpr double kMarkSide = 14;
const ThemeType kStatusType{11, ThemeWeight::semibold};
} // namespace

namespace CoreWidgets {

SkillSlots::SkillSlots(QList<SlotSkill> starred, QWidget *parent)
    : QWidget(parent)
{
    for (int i = 0; i < capacity; ++i) {
        auto *tile = new SkillSlotTile(this);
        connect(tile, &QAbstractButton::clicked, this, [this, i] { tileClicked(i); });
        m_tiles.append(tile);
    }
    setSkills(starred);
    placeTiles();
}

SkillSlots::~SkillSlots() = default;

void SkillSlots::setSkills(const QList<SlotSkill> &starred)
{
    for (int i = 0; i < capacity; ++i) {
        SkillSlotTile *tile = m_tiles[i];
        tile->setSkill(i < starred.size() ? std::optional<SlotSkill>(starred[i]) : std::nullopt);
        tile->setHighlighted(m_focusRunning && !tile->isEmpty()
                             && tile->skill()->id == QLatin1String(focusSkillID));
    }
}

void SkillSlots::setFocusRunning(bool running)
{
    m_focusRunning = running;
    for (SkillSlotTile *tile : std::as_const(m_tiles))
        tile->setHighlighted(running && !tile->isEmpty()
                             && tile->skill()->id == QLatin1String(focusSkillID));
}

void SkillSlots::tileClicked(int index)
{
    const SkillSlotTile *tile = m_tiles[index];
    if (tile->isEmpty())
        emit skillsPanelRequested();
    else
        emit skillChosen(tile->skill()->id);
}

QSize SkillSlots::sizeHint() const
{
    return {336, 144};
}

void SkillSlots::setStatus(const QString &text, bool working)
{
    if (text == m_status && working == m_working)
        return;
    m_status = text;
    m_working = working;
    setAccessibleDescription(text);
    update();
}

QRectF SkillSlots::statusRect() const
{
    if (m_status.isEmpty())
        return {};
    return {0, SkillSlotTile::tileHeight + statusGap, double(width()), statusHeight};
}

void SkillSlots::paintEvent(QPaintEvent *)
{
    const QRectF line = statusRect();
    if (line.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    CachedPaint::fillPath(painter, CachedPaint::measures(u"skewed", line.size(), kSkewDegrees),
                          CoreSkewedRect(line, kSkewDegrees), CoreTheme::panelShade());
    // An hourglass while the local model wakes or unloads; a diamond once the action is over.
    const QRectF mark(line.left() + kLeadingPadding, line.center().y() - kMarkSide / 2, kMarkSide,
                      kMarkSide);
    Symbols::draw(painter, mark,
                  m_working ? QStringLiteral("timer") : QStringLiteral("diamond.fill"),
                  CoreTheme::gold(), m_working ? kMarkSide : kMarkSide * 0.7);
    const QFont font = themeFont(kStatusType);
    const double left = mark.right() + 8;
    const double width = std::max(0.0, line.right() - kLeadingPadding - left);
    ReadoutText::draw(painter, QRectF(left, line.top(), width, line.height()), Qt::AlignLeft,
                      ReadoutText::elided(m_status, font, width), font,
                      m_working ? CoreTheme::gold() : QColor(Qt::white), kTextShadow);
}

void SkillSlots::resizeEvent(QResizeEvent *)
{
    placeTiles();
}

void SkillSlots::placeTiles()
{
    const double tileWidth = (width() - (capacity - 1) * spacing) / capacity;
    for (int i = 0; i < capacity; ++i) {
        const double left = i * (tileWidth + spacing);
        const double right = left + tileWidth;
        m_tiles[i]->setGeometry(int(std::round(left)), 0, int(std::round(right) - std::round(left)),
                                int(SkillSlotTile::tileHeight));
    }
}

} // namespace CoreWidgets

#include "ui/widgets/SkillSlots.h"

#include "ui/widgets/SkillSlotTile.h"

#include <cmath>

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

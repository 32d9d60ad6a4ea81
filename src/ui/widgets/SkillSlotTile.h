#pragma once

#include "ui/CorePressButton.h"
#include "ui/widgets/SlotSkill.h"

#include <optional>

namespace CoreWidgets {

// One quick-bar slot: a starred skill's icon and title, or an empty tile inviting the user to
// fill it.
class SkillSlotTile final : public CorePressButton
{
    Q_OBJECT

public:
    static constexpr double tileHeight = 104;

    explicit SkillSlotTile(QWidget *parent = nullptr);

    // No skill: the tile is empty.
    void setSkill(const std::optional<SlotSkill> &skill);
    const std::optional<SlotSkill> &skill() const { return m_skill; }
    bool isEmpty() const { return !m_skill.has_value(); }

    // Drawn with the gold accent, for the focus skill while a session runs.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }

protected:
    void paintLabel(QPainter &painter, const QRectF &bounds) override;

private:
    void paintEmpty(QPainter &painter, const QRectF &face);
    void paintSkill(QPainter &painter, const QRectF &face);

    std::optional<SlotSkill> m_skill;
    bool m_highlighted = false;
};

} // namespace CoreWidgets

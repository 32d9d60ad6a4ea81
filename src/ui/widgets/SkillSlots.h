#pragma once

#include "ui/widgets/SlotSkill.h"

#include <QList>
#include <QWidget>

namespace CoreWidgets {

class SkillSlotTile;

// The quick bar: four slots holding the starred skills in order; the slots past them are empty
// tiles that open the skills panel.
class SkillSlots final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int capacity = 4;
    static constexpr double spacing = 6;
    static constexpr const char *focusSkillID = "builtin:focus";

    explicit SkillSlots(QList<SlotSkill> starred = {}, QWidget *parent = nullptr);
    ~SkillSlots() override;

    // The first four are shown.
    void setSkills(const QList<SlotSkill> &starred);
    // While a focus session runs the focus skill's tile is highlighted.
    void setFocusRunning(bool running);

    const QList<SkillSlotTile *> &tiles() const { return m_tiles; }

    QSize sizeHint() const override;

signals:
    // A filled slot was clicked.
    void skillChosen(const QString &id);
    // An empty slot was clicked.
    void skillsPanelRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeTiles();
    void tileClicked(int index);

    QList<SkillSlotTile *> m_tiles;
    bool m_focusRunning = false;
};

} // namespace CoreWidgets

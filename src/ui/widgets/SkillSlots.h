#pragma once

#include "ui/widgets/SlotSkill.h"

#include <QList>
#include <QRectF>
#include <QWidget>

namespace CoreWidgets {

class SkillSlotTile;

// The quick bar: four slots holding the starred skills in order; the slots past them are empty
// tiles that open the skills panel. Under the tiles, the menu's status line: what the last
// action came to, and a wake or unload of the local model while it runs. The line only shows;
// a click on it does nothing.
class SkillSlots final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int capacity = 4;
    static constexpr double spacing = 6;
    static constexpr const char *focusSkillID = "builtin:focus";
    static constexpr double statusGap = 8;
    static constexpr double statusHeight = 26;

    explicit SkillSlots(QList<SlotSkill> starred = {}, QWidget *parent = nullptr);
    ~SkillSlots() override;

    // The first four are shown.
    void setSkills(const QList<SlotSkill> &starred);
    // While a focus session runs the focus skill's tile is highlighted.
    void setFocusRunning(bool running);

    const QList<SkillSlotTile *> &tiles() const { return m_tiles; }

    // The status line's text, and whether the work it names is still going on.
    void setStatus(const QString &text, bool working);
    const QString &statusText() const { return m_status; }
    bool statusWorking() const { return m_working; }
    // Where the status line is drawn; empty while there is no text.
    QRectF statusRect() const;

    QSize sizeHint() const override;

signals:
    // A filled slot was clicked.
    void skillChosen(const QString &id);
    // An empty slot was clicked.
    void skillsPanelRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void placeTiles();
    void tileClicked(int index);

    QList<SkillSlotTile *> m_tiles;
    bool m_focusRunning = false;
    QString m_status;
    bool m_working = false;
};

} // namespace CoreWidgets

#pragma once

#include "platform/Feedback.h"
#include "windows/Loadout.h"
#include "windows/SnapZone.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class MenuPaintedButton;
class QScrollArea;
class SkillBook;
class WindowArranger;

namespace CoreWidgets {

// The window tools: ten snap zones for the window that was in front before the menu opened,
// and the saved layouts (loadouts) with save, equip and delete.
class CoreEquipment final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize panelSize{424, 456};
    static constexpr int zoneColumns = 5;
    static constexpr double zoneWidth = 72;
    static constexpr double zoneHeight = 50;
    static constexpr double zoneGap = 8;

    static QString panelHelp();
    // "3 windows", "1 window"; "2 apps".
    static QString windowCount(int windows);
    static QString appCount(int apps);
    // A bound loadout's line: "Docks on DP-1 + HDMI-1".
    static QString boundText(const Loadout &loadout);

    explicit CoreEquipment(WindowArranger &arranger, QWidget *parent = nullptr);
    ~CoreEquipment() override;

    const QList<MenuPaintedButton *> &zoneButtons() const { return m_zones; }
    MenuPaintedButton *allowButton() const { return m_allow; }
    MenuPaintedButton *saveButton() const { return m_save; }
    MenuPaintedButton *saveBoundButton() const { return m_saveBound; }
    // One row per loadout, in the arranger's order, and its delete button.
    const QList<MenuPaintedButton *> &loadoutRows() const { return m_rows; }
    const QList<MenuPaintedButton *> &deleteButtons() const { return m_deletes; }
    // The quick-bar stars of the loadout rows; none until a skill book is set.
    const QList<MenuPaintedButton *> &starButtons() const { return m_stars; }
    void setSkillBook(SkillBook *book);
    // Shown when there is no loadout; empty otherwise.
    QString emptyText() const;
    std::optional<SnapZone> hoverZone() const { return m_hoverZone; }
    std::optional<QUuid> hoverLoadout() const { return m_hoverLoadout; }

    QSize sizeHint() const override { return panelSize; }

    // The tick a zone tile or a loadout row plays when the pointer comes onto it.
    static constexpr float hoverVolume = 0.3f;

signals:
    // A sound to play, at `volume` (0 to 1).
    void cue(SoundCue cue, float volume = 1.0f);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void layoutControls();
    void rebuildLoadouts();
    double trustRowHeight() const;

    QPointer<WindowArranger> m_arranger;
    QList<MenuPaintedButton *> m_zones;
    MenuPaintedButton *m_allow;
    MenuPaintedButton *m_save;
    MenuPaintedButton *m_saveBound = nullptr;
    QScrollArea *m_scroll;
    QWidget *m_list;
    QList<MenuPaintedButton *> m_rows;
    QList<MenuPaintedButton *> m_deletes;
    QList<MenuPaintedButton *> m_stars;
    QPointer<SkillBook> m_book;
    std::optional<SnapZone> m_hoverZone;
    std::optional<QUuid> m_hoverLoadout;
};

} // namespace CoreWidgets

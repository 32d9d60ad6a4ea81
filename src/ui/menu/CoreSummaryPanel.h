#pragma once

#include "monitors/RunningAppsMonitor.h"
#include "ui/menu/SummaryRing.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class MenuPaintedButton;
class MenuSelection;

namespace CoreWidgets {

// The menu's default panel: the chosen entry with its detail line over the player's figure,
// ringed by twelve slots holding the open apps. Clicking a filled slot switches to that app.
class CoreSummaryPanel final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int slotCount = RunningAppsMonitor::slotCount;
    static constexpr double slotSize = 38;
    static constexpr QSize panelSize{256, 424};

    CoreSummaryPanel(MenuSelection &selection, RunningAppsMonitor &apps, QWidget *parent = nullptr);
    ~CoreSummaryPanel() override;

    const QList<MenuPaintedButton *> &slotButtons() const { return m_slots; }
    // The app under the pointer, if any.
    std::optional<pid_t> hovered() const { return m_hovered; }
    SummaryRing::Ellipse ring() const;
    QRectF figureRect() const;

    QSize sizeHint() const override { return panelSize; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void refreshSlots();
    void placeSlots();
    std::optional<RunningAppsMonitor::Entry> entry(int index) const;

    QPointer<MenuSelection> m_selection;
    QPointer<RunningAppsMonitor> m_apps;
    QList<MenuPaintedButton *> m_slots;
    std::optional<pid_t> m_hovered;
};

} // namespace CoreWidgets

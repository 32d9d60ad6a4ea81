#pragma once

#include "hud/EditableWidget.h"
#include "hud/HUDWidgetID.h"
#include "platform/Screens.h"

#include <QList>
#include <QObject>
#include <QPointF>

class HUDLayoutStore;
class HUDPanels;
struct HUDState;

// Editing the layout: while it lasts (HUDState::layoutEditing) the shown panels stand still at
// full opacity and let every press through to the editor, which moves them and stores where the
// user drops them.
class LayoutEditSession final : public QObject
{
    Q_OBJECT
public:
    LayoutEditSession(HUDPanels &panels, HUDLayoutStore &layout, const HUDState &state,
                      const Screens &screens, QObject *parent = nullptr);

    // Editing starts: the shown panels let presses through and stand still. Returns the panels
    // held still.
    QList<HUDWidgetID> holdPanelsStill();
    // Editing has ended: the panels take clicks as their styles say again.
    void releasePanels();

    // The widgets the editor may move: every panel on screen but the target cursor, which
    // follows the gazed window, in the layout table's order.
    QList<EditableWidget> editableWidgets() const;
    // Stores a widget dropped with its content at `origin` as an offset from its default frame,
    // and moves it and the panels that share its offset there. Nothing once editing has ended.
    void commitDrop(HUDWidgetID id, QPointF origin);
    // Forgets every offset and puts the panels but the target cursor back in their places.
    void resetLayout();

private:
    // The screen that drops and resets are placed on: the HUD's, else the one under the pointer.
    ScreenInfo placementScreen() const;

    HUDPanels &m_panels;
    HUDLayoutStore &m_layout;
    const HUDState &m_state;
    const Screens &m_screens;
};

#pragma once

#include "hud/EditorActions.h"
#include "hud/HUDWidgetID.h"
#include "platform/Screens.h"

#include <QList>
#include <QObject>
#include <QPointF>

#include <functional>

class HUDLayoutStore;
class HUDPanels;

// Editing the layout: while it lasts the shown panels stand still at full opacity and let every
// press through to the editor, which moves them and stores where the user drops them.
class LayoutEditSession final : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        // The layout editor over a whole screen, driven through the actions it is handed.
        std::function<void(const ScreenInfo &screen, EditorActions actions)> openEditor;
        std::function<void()> closeEditor;
        // The screen that drops and resets are placed on.
        std::function<ScreenInfo()> screen;
        // A shown panel stands still for the editor.
        std::function<void(HUDWidgetID id)> holdStill;
        // Editing has ended and the panels take clicks as their styles say again.
        std::function<void()> left;
    };

    LayoutEditSession(HUDPanels &panels, HUDLayoutStore &layout, Hooks hooks,
                      QObject *parent = nullptr);

    bool isActive() const { return m_active; }
    // Starts editing with the editor on `screen`. Its actions hold the session weakly.
    void enter(const ScreenInfo &screen);
    void leave();

    // The widgets the editor may move: every panel on screen but the target cursor, which
    // follows the gazed window, in the layout table's order.
    QList<EditableWidget> editableWidgets() const;
    // Stores a widget dropped with its content at `origin` as an offset from its default frame,
    // and moves it and the panels that share its offset there.
    void commitDrop(HUDWidgetID id, QPointF origin);
    // Forgets every offset and puts the panels but the target cursor back in their places.
    void resetLayout();

private:
    HUDPanels &m_panels;
    HUDLayoutStore &m_layout;
    Hooks m_hooks;
    bool m_active = false;
};

#pragma once

#include "hud/HUDWidgetID.h"
#include "hud/PanelWindow.h"
#include "platform/Screens.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class HUDLayoutStore;
class Screens;

// The panel of every widget, where each was last placed (or sent), and which are fading on their
// way off screen. A panel's view exists only while it is shown.
class HUDPanels final : public QObject
{
    Q_OBJECT
public:
    using Factory
        = std::function<std::unique_ptr<PanelWindow>(HUDWidgetID id, const PanelStyle &style)>;
    using Map = QHash<HUDWidgetID, std::shared_ptr<PanelWindow>>;

    HUDPanels(const HUDLayoutStore &layout, Factory factory, QObject *parent = nullptr);

    // Makes a panel for every widget the factory builds one for, placed on `screen` and not
    // shown.
    void create(const ScreenInfo &screen);
    // Makes the panels on the screen under the pointer where there are none yet and there is a
    // screen to put them on.
    void ensureCreated(const Screens &screens);
    bool isEmpty() const { return m_panels.isEmpty(); }
    const Map &all() const { return m_panels; }
    PanelWindow *panel(HUDWidgetID id) const;
    bool isShown(HUDWidgetID id) const;
    // One of the menu's sub-panels is shown.
    bool subPanelShown() const;

    // Where a widget goes on `screen`: its default frame moved by the user's offset.
    QRectF placedFrame(HUDWidgetID id, const ScreenInfo &screen) const;
    // Where a panel was last placed or sent, so a fade for the pointer does not leave a panel
    // short of its place when it replaces a slide that is still running.
    std::optional<QRectF> home(HUDWidgetID id) const;
    void place(HUDWidgetID id, const QRectF &frame);

    bool isLeaving(HUDWidgetID id) const { return m_leaving.contains(id); }
    // The panel is wanted on screen again; the caller starts its way back.
    void stopLeaving(HUDWidgetID id) { m_leaving.remove(id); }

    // Slides the panels in to their places on `screen`, one shortly after the other.
    void slideIn(const QList<HUDWidgetID> &ids, const ScreenInfo &screen);
    // Shows a panel at `frame` from transparent, its view built at `scale`.
    void fadeIn(HUDWidgetID id, double scale, const QRectF &frame, double duration);
    // Fades a panel out and puts it away. The panel may be shown again before the fade ends;
    // only the fade that finishes last puts it away.
    void fadeOut(HUDWidgetID id, double duration);
    // Puts a card away, fading it out over `duration` while it is shown (at once for 0), and
    // leaves it opaque for its next showing.
    void dismiss(HUDWidgetID id, double duration);
    // Moves the shown panels but the target cursor, which follows the gazed window, from
    // `from` to their places on `to`, their views rebuilt where the scale changes.
    void moveShown(const ScreenInfo &from, const ScreenInfo &to);

signals:
    // A panel starts fading out on its way off screen.
    void leaving(HUDWidgetID id);

private:
    const HUDLayoutStore &m_layout;
    Factory m_factory;
    Map m_panels;
    QHash<HUDWidgetID, QRectF> m_homes;
    QSet<HUDWidgetID> m_leaving;
};

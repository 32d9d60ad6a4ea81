#pragma once

#include "hud/FloatingHUDPanelController.h"

#include <QList>
#include <QObject>
#include <QRectF>

class AppServices;
class ReadoutViewFactory;
struct Platform;

// What the panels' views tell the panel controller, which is made after the panel factory it is
// handed: the program connects these signals to it.
class PanelReports final : public QObject
{
    Q_OBJECT
signals:
    // Escape in one of the panels.
    void escapePressed();
    // What the rail draws, in the rail's own top-left coordinates.
    void railRegionsChanged(const QList<QRectF> &regions);
    // Where the music strip's buttons are, at the panel's scale.
    void transportRegionChanged(const QRectF &region);
    // The quit card's "cancel".
    void confirmCancelled();
};

// Builds the HUD's readout views and menu panels over the program's services: one maker per
// widget over exactly the models that widget shows, its signals connected to what they ask for
// (the shell's commands, the action service, the sound engine, and through `reports` the panel
// controller).
namespace ReadoutWiring {

// Registers the maker of every widget's view.
void install(ReadoutViewFactory &views, AppServices &services, Platform &platform,
             PanelReports &reports);

// The panels the controller shows: a floating panel around each widget's view, at the panel's
// scale.
FloatingHUDPanelController::PanelFactory panelFactory(AppServices &services, Platform &platform,
                                                      PanelReports &reports);

} // namespace ReadoutWiring

#pragma once

#include "hud/HUDWidgetID.h"
#include "hud/PanelWindow.h"

#include <QList>
#include <QString>

// How each widget's panel looks and behaves: fixed tables, the same for every screen.
namespace PanelStyles {

PanelStyle styleFor(HUDWidgetID id);
// The title the layout editor shows on a widget's outline.
QString editorTitle(HUDWidgetID id);
// How far a panel starts from its place when it slides in (positive: above it).
double entranceOffset(ScreenAnchor anchor);
// The panels the menu opens one at a time beside the summary panel.
const QList<HUDWidgetID> &subPanels();
// The readouts that fade out of the pointer's way.
const QList<HUDWidgetID> &fadingReadouts();

} // namespace PanelStyles

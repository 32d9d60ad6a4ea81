#pragma once

#include "hud/HUDWidgetID.h"
#include "platform/Screens.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QSizeF>

class HUDLayoutStore;

// A widget's default size and place on a screen. `yOffset` is added to the vertical position
// (positive moves up).
struct WidgetSpec
{
    HUDWidgetID id;
    QSizeF size;
    ScreenAnchor anchor;
    double margin;
    double yOffset;
};

// The default frames of the widgets and the rules that place them. All geometry is in model
// coordinates: points, y up.
namespace HUDLayout {

inline constexpr double gridPitch = 8;

const QList<WidgetSpec> &specs();
const WidgetSpec &spec(HUDWidgetID id);
QList<WidgetSpec> menuSpecs();
QList<WidgetSpec> readoutSpecs();

const QSet<HUDWidgetID> &scaledWidgets();
const QList<HUDWidgetID> &menuTrio();
const QSet<HUDWidgetID> &menuGroup();
const QSet<HUDWidgetID> &followsSummary();

double scale(HUDWidgetID id, const ScreenInfo &screen);
QSizeF scaledSize(const WidgetSpec &spec, const ScreenInfo &screen);
QRectF frame(const WidgetSpec &spec, const ScreenInfo &screen);
QPointF origin(const WidgetSpec &spec, const ScreenInfo &screen, const HUDLayoutStore &store);
QPointF clamp(QPointF origin, const QSizeF &size, const QRectF &visibleFrame);

// Where the target cursor goes over a gazed window on `screen`: centred on the window, its top
// edge 6 points above the window's but at least 4 points under the top of the visible frame, and
// 4 points inside the visible frame's sides. Cramped when the room between that unheld top edge
// and 4 points under the top of the visible frame is less than the panel's height.
struct CursorPlacement
{
    QRectF frame;
    bool cramped = false;
};
CursorPlacement placeTargetCursor(const QRectF &window, const ScreenInfo &screen);

// The screen that hosts newly shown panels: the one under the pointer, else the nearest one
// (the earlier on a tie), else the main screen.
ScreenInfo screenUnderPointer(const QList<ScreenInfo> &screens, const QPointF &pointer,
                              const ScreenInfo &mainScreen);
ScreenInfo screenUnderPointer(const Screens &screens);

// Rounds to the nearest whole point, halves away from zero.
double roundPoint(double v);

} // namespace HUDLayout

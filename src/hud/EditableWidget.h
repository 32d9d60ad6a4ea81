#pragma once

#include "hud/HUDWidgetID.h"
#include "hud/PanelWindow.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

// One widget the layout editor can move.
struct EditableWidget
{
    HUDWidgetID id;
    QString title; // shown on the widget's outline
    std::weak_ptr<PanelWindow> panel; // the panel that is moved while the widget is dragged
    QRectF contentFrame; // the widget's drawn content, model coordinates
};

// The widgets on screen now, asked again whenever the layout editor needs them. It holds its
// owner weakly and answers an empty list once the owner is gone.
using EditableWidgets = std::function<QList<EditableWidget>()>;

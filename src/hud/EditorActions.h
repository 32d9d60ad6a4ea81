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

// What the layout editor asks of the panel controller. Each action holds its owner weakly and
// does nothing once it is gone.
struct EditorActions
{
    // The widgets on screen now; asked again whenever the editor needs them.
    std::function<QList<EditableWidget>()> widgets;
    // A widget was dropped with its content at `origin`.
    std::function<void(HUDWidgetID id, QPointF origin)> commit;
    std::function<void()> reset;
    std::function<void()> done;
};

#pragma once

#include "hud/HUDWidgetID.h"

#include <QHash>

#include <functional>

class QWidget;

// The view makers of the HUD's widgets, one per widget, registered by the program. A panel asks
// for its widget's view each time it is shown.
class ReadoutViewFactory final
{
public:
    // Builds the view of one widget over its models, or answers nullptr.
    using Maker = std::function<QWidget *(QWidget *parent)>;

    // Registers (or replaces) the maker of `id`.
    void add(HUDWidgetID id, Maker make);
    bool contains(HUDWidgetID id) const { return m_makers.contains(id); }

    // The view of `id`, sized to its unscaled panel size, or nullptr when no maker is registered
    // or the maker has none.
    QWidget *make(HUDWidgetID id, QWidget *parent = nullptr) const;

private:
    QHash<HUDWidgetID, Maker> m_makers;
};

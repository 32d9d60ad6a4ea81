#include "hud/PanelStyles.h"

#include "hud/HUDWidgetSettings.h"

namespace PanelStyles {

using enum HUDWidgetID;

PanelStyle styleFor(HUDWidgetID id)
{
    PanelStyle style;
    style.name = HUDWidget::rawValue(id);
    style.level = 3;
    style.shadow = true;
    switch (id) {
    case menuRail:
        style.shadow = false;
        style.switchesClickThrough = true;
        break;
    case targetCursor:
    case playerStatus:
    case partyStrip:
    case fieldHeader:
    case nowPlaying:
        style.clickThrough = true;
        style.shadow = false;
        break;
    case confirmLogout:
        style.level = 5;
        break;
    default:
        break;
    }
    return style;
}

QString editorTitle(HUDWidgetID id)
{
    for (const auto &t : HUDWidgetSettings::toggleable()) {
        if (t.id == id)
            return t.title;
    }
    switch (id) {
    case menuRail:
        return QStringLiteral("Menu");
    case questLog:
        return QStringLiteral("Quest Log");
    case inventory:
        return QStringLiteral("Inventory");
    case skills:
        return QStringLiteral("Skills");
    case equipment:
        return QStringLiteral("Equipment");
    case confirmLogout:
        return QStringLiteral("Log Out");
    default:
        return HUDWidget::rawValue(id);
    }
}

double entranceOffset(ScreenAnchor anchor)
{
    switch (anchor) {
    case ScreenAnchor::topLeading:
    case ScreenAnchor::topCenter:
    case ScreenAnchor::topTrailing:
        return 28;
    case ScreenAnchor::leadingMid:
    case ScreenAnchor::trailingMid:
        return 18;
    case ScreenAnchor::bottomCenter:
    case ScreenAnchor::bottomLeading:
    case ScreenAnchor::bottomTrailing:
        return -22;
    case ScreenAnchor::center:
        return 0;
    }
    return 0;
}

const QList<HUDWidgetID> &subPanels()
{
    static const QList<HUDWidgetID> list{inventory, skills, equipment, questLog};
    return list;
}

const QList<HUDWidgetID> &fadingReadouts()
{
    static const QList<HUDWidgetID> list{playerStatus, partyStrip, fieldHeader, nowPlaying};
    return list;
}

} // namespace PanelStyles

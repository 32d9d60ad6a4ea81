#include "hud/HUDWidgetID.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<HUDWidgetID, const char *>, 13> kNames{{
    {HUDWidgetID::fieldHeader, "fieldHeader"},
    {HUDWidgetID::targetCursor, "targetCursor"},
    {HUDWidgetID::nowPlaying, "nowPlaying"},
    {HUDWidgetID::playerStatus, "playerStatus"},
    {HUDWidgetID::menuRail, "menuRail"},
    {HUDWidgetID::summaryPanel, "summaryPanel"},
    {HUDWidgetID::partyStrip, "partyStrip"},
    {HUDWidgetID::questLog, "questLog"},
    {HUDWidgetID::inventory, "inventory"},
    {HUDWidgetID::skills, "skills"},
    {HUDWidgetID::equipment, "equipment"},
    {HUDWidgetID::skillSlots, "skillSlots"},
    {HUDWidgetID::confirmLogout, "confirmLogout"},
}};
} // namespace

namespace HUDWidget {

const QList<HUDWidgetID> &allCases()
{
    static const QList<HUDWidgetID> all = [] {
        QList<HUDWidgetID> out;
        for (const auto &[id, name] : kNames)
            out << id;
        return out;
    }();
    return all;
}

QString rawValue(HUDWidgetID id)
{
    for (const auto &[candidate, name] : kNames) {
        if (candidate == id)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<HUDWidgetID> fromRawValue(const QString &raw)
{
    for (const auto &[id, name] : kNames) {
        if (raw == QLatin1String(name))
            return id;
    }
    return std::nullopt;
}

} // namespace HUDWidget

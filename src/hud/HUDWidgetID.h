#pragma once

#include <QList>
#include <QString>

#include <optional>

// Every on-screen piece of the HUD. The raw value (the case name) is what is stored and
// compared; the declaration order is the order of `allCases`.
enum class HUDWidgetID {
    fieldHeader,
    targetCursor,
    nowPlaying,
    playerStatus,
    menuRail,
    summaryPanel,
    partyStrip,
    questLog,
    inventory,
    skills,
    equipment,
    skillSlots,
    confirmLogout,
};

namespace HUDWidget {
const QList<HUDWidgetID> &allCases();
QString rawValue(HUDWidgetID id);
std::optional<HUDWidgetID> fromRawValue(const QString &raw);
} // namespace HUDWidget

inline size_t qHash(HUDWidgetID id, size_t seed = 0)
{
    return ::qHash(int(id), seed);
}

enum class ScreenAnchor {
    topLeading,
    topCenter,
    topTrailing,
    bottomCenter,
    leadingMid,
    trailingMid,
    bottomLeading,
    bottomTrailing,
    center,
};

#pragma once

#include "ui/widgets/TargetCursor.h"

class HUDActionService;
class HUDVisibility;
class NetworkMonitor;
class NowPlayingMonitor;
class QuestService;
class SkillBook;
class SystemMetricsService;
class TargetMonitor;
class UnreadMonitor;

namespace CoreWidgets {
class MenuRail;
class NowPlaying;
class PartyStrip;
class QuestLog;
class SkillSlots;
} // namespace CoreWidgets

// The readout views that read more than one model, each built over the models it shows and
// kept up to date with them. A model passed as nullptr leaves its part of the view empty. What
// a view asks of the program it announces with its signals; the program connects them.
namespace ReadoutViews {

// The party strip; its NET line reads `network`.
CoreWidgets::PartyStrip *partyStrip(SystemMetricsService &metrics, NetworkMonitor *network,
                                    QWidget *parent = nullptr);

// The target cursor over the window under the pointer; while the HUD is visible the diamond
// bobs, from frames kept for its window where `sprites` can make them.
CoreWidgets::TargetCursor *targetCursor(TargetMonitor *target, HUDVisibility *visibility,
                                        CoreWidgets::TargetCursor::SpriteMaker sprites,
                                        QWidget *parent = nullptr);

// The music strip showing `monitor`'s track.
CoreWidgets::NowPlaying *nowPlaying(NowPlayingMonitor *monitor, QWidget *parent = nullptr);

// The quest log: the machine figures, the target's CPU row, the calendar rows of `quests`, the
// focus session and the settings rows of `actions`.
CoreWidgets::QuestLog *questLog(SystemMetricsService &metrics, TargetMonitor *target,
                                QuestService *quests, HUDActionService *actions,
                                QWidget *parent = nullptr);

// The quick bar: the book's starred skills, run when clicked, and the focus session's mark.
CoreWidgets::SkillSlots *skillSlots(SkillBook *skills, HUDActionService *actions,
                                    QWidget *parent = nullptr);

// Marks the rail's Communications with `unread`'s count and Maps with the urgent quests.
void markRail(CoreWidgets::MenuRail &rail, UnreadMonitor *unread, QuestService *quests,
              SystemMetricsService *metrics);

} // namespace ReadoutViews

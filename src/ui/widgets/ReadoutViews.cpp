#include "ui/widgets/ReadoutViews.h"

#include "hud/HUDVisibility.h"
#include "monitors/SystemMetricsService.h"
#include "monitors/TargetMonitor.h"
#include "ui/menu/CoreEquipment.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/CoreSummaryPanel.h"
#include "ui/menu/MenuRail.h"
#include "ui/widgets/ConfirmLogout.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/SkillSlots.h"
#include "ui/widgets/TargetCursor.h"
#include "ui/widgets/TargetReadoutAdapter.h"

#include <QPointer>

namespace {

QWidget *makeView(HUDWidgetID id, const ReadoutModels &m, QWidget *parent)
{
    using namespace CoreWidgets;
    switch (id) {
    case HUDWidgetID::playerStatus:
        return m.metrics ? new PlayerStatus(*m.metrics, m.account, parent) : nullptr;
    case HUDWidgetID::partyStrip:
        // The network line joins when the network monitor is connected here.
        return m.metrics ? new PartyStrip(*m.metrics, {}, parent) : nullptr;
    case HUDWidgetID::fieldHeader:
        return m.metrics ? new FieldHeader(*m.metrics, m.onOpenCalendar, m.playCue, parent)
                         : nullptr;
    case HUDWidgetID::targetCursor: {
        auto *view
            = new TargetCursor(m.target ? targetReadout(*m.target) : TargetReadout{}, parent);
        if (TargetMonitor *target = m.target) {
            QObject::connect(target, &TargetMonitor::changed, view,
                             [view, target] { view->setTarget(targetReadout(*target)); });
        }
        if (m.visibility) {
            view->setBob(m.visibility->visible());
            QObject::connect(m.visibility, &HUDVisibility::visibleChanged, view,
                             &TargetCursor::setBob);
        }
        return view;
    }
    case HUDWidgetID::nowPlaying:
        return new NowPlaying(m.onTransport, parent);
    case HUDWidgetID::questLog: {
        if (!m.metrics)
            return nullptr;
        QPointer<TargetMonitor> target(m.target);
        auto *view = new QuestLog(
            *m.metrics,
            [target](QuestInputs &inputs) {
                // A target counts only while a window is under the pointer.
                if (target && target->gaze())
                    inputs.target = targetReadout(*target);
            },
            parent);
        if (m.target)
            QObject::connect(m.target, &TargetMonitor::changed, view, &QuestLog::refresh);
        return view;
    }
    case HUDWidgetID::skillSlots:
        return new SkillSlots(m.onOpenSkills, {}, parent);
    case HUDWidgetID::confirmLogout:
        return new ConfirmLogout(m.onConfirmQuit, m.onCancelQuit, parent);
    case HUDWidgetID::menuRail: {
        if (!m.menuSelection)
            return nullptr;
        MenuRail::Inputs inputs;
        inputs.effects = m.menuEffects;
        inputs.selection = m.menuSelection;
        inputs.facts = m.menuFacts;
        inputs.onRegions = m.onRailRegions;
        inputs.playCue = m.playCue;
        inputs.widgetSettings = m.widgetSettings;
        return new MenuRail(std::move(inputs), parent);
    }
    case HUDWidgetID::summaryPanel:
        if (!m.menuSelection || !m.runningApps)
            return nullptr;
        return new CoreSummaryPanel(*m.menuSelection, *m.runningApps, parent);
    case HUDWidgetID::inventory: {
        if (!m.clipboard)
            return nullptr;
        CoreInventory::Inputs inputs;
        inputs.paste = m.pasteClip;
        inputs.onCopied = m.onClipCopied;
        inputs.onPasted = m.onClipPasted;
        return new CoreInventory(*m.clipboard, std::move(inputs), parent);
    }
    case HUDWidgetID::equipment:
        return m.arranger ? new CoreEquipment(*m.arranger, m.playCue, parent) : nullptr;
    case HUDWidgetID::skills:
        return nullptr;
    }
    return nullptr;
}

} // namespace

QWidget *makeReadoutView(HUDWidgetID id, const ReadoutModels &models, QWidget *parent)
{
    QWidget *view = makeView(id, models, parent);
    if (view)
        view->resize(view->sizeHint());
    return view;
}

#include "ui/widgets/ReadoutViews.h"

#include "actions/HUDActionService.h"
#include "hud/HUDVisibility.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/NowPlayingMonitor.h"
#include "monitors/SystemMetricsService.h"
#include "monitors/TargetMonitor.h"
#include "monitors/UnreadMonitor.h"
#include "quests/QuestService.h"
#include "skills/SkillBook.h"
#include "ui/menu/CoreEquipment.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/CoreSkills.h"
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

QList<SlotSkill> slotSkills(SkillBook &book)
{
    QList<SlotSkill> tiles;
    const QPointer<SkillBook> ref(&book);
    for (const SkillBook::Skill &skill : book.quickBar()) {
        tiles << SlotSkill{skill.id, skill.title, skill.icon, [ref, id = skill.id] {
                               if (ref)
                                   ref->run(id);
                           }};
    }
    return tiles;
}

// What the quest service and the action service add to the machine figures.
void addQuests(QuestInputs &in, const ReadoutModels &m, const QPointer<QuestService> &quests,
               const QPointer<HUDActionService> &actions)
{
    in.openBatterySettings = m.openBatterySettings;
    in.openStorageSettings = m.openStorageSettings;
    if (quests) {
        in.access.needsAccess = quests->needsAccess();
        in.access.accessDenied = quests->accessDenied();
        in.access.requestAccess = [quests] {
            if (quests)
                quests->requestAccess();
        };
        in.access.openSettings = [quests] {
            if (quests)
                quests->openSettings();
        };
        in.openReminders = in.access.openSettings;
        for (const QuestService::Event &e : quests->events())
            in.events << QuestEvent{e.id, e.title, e.start, e.end, e.location};
        for (const QuestService::Reminder &r : quests->reminders()) {
            in.reminders << QuestReminder{r.id, r.title, r.due.value_or(QDateTime()),
                                          [quests, id = r.id] {
                                              if (quests)
                                                  quests->complete(id);
                                          },
                                          in.openReminders};
        }
    }
    if (actions) {
        in.focus = QuestFocus{actions->focusActive(), actions->focusLabel(), [actions] {
                                  if (actions && !actions->focusActive())
                                      actions->toggleFocus();
                              }};
    }
}

QWidget *makeView(HUDWidgetID id, const ReadoutModels &m, QWidget *parent)
{
    using namespace CoreWidgets;
    switch (id) {
    case HUDWidgetID::playerStatus:
        return m.metrics ? new PlayerStatus(*m.metrics, m.account, parent) : nullptr;
    case HUDWidgetID::partyStrip: {
        if (!m.metrics)
            return nullptr;
        PartyStrip::NetworkReading reading;
        if (m.network) {
            QPointer<NetworkMonitor> network(m.network);
            reading = [network]() -> std::pair<double, QString> {
                if (!network)
                    return {0.0, QString()};
                return {network->strength(), network->label()};
            };
        }
        auto *view = new PartyStrip(*m.metrics, reading, parent);
        if (m.network)
            QObject::connect(m.network, &NetworkMonitor::changed, view, &PartyStrip::refresh);
        return view;
    }
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
        if (m.windowSprites)
            view->setSprites(m.windowSprites);
        if (m.visibility) {
            view->setBob(m.visibility->visible());
            QObject::connect(m.visibility, &HUDVisibility::visibleChanged, view,
                             &TargetCursor::setBob);
        }
        return view;
    }
    case HUDWidgetID::nowPlaying: {
        auto *view = new NowPlaying(m.onTransport, parent);
        if (NowPlayingMonitor *monitor = m.nowPlaying) {
            auto show = [view, monitor] {
                const auto &track = monitor->track();
                view->setTrack(track ? std::optional<TrackReadout>(TrackReadout{
                                   track->app, track->title, track->artist, track->isPlaying})
                                     : std::nullopt);
            };
            show();
            QObject::connect(monitor, &NowPlayingMonitor::trackChanged, view, show);
        }
        return view;
    }
    case HUDWidgetID::questLog: {
        if (!m.metrics)
            return nullptr;
        QPointer<TargetMonitor> target(m.target);
        QPointer<QuestService> quests(m.quests);
        QPointer<HUDActionService> actions(m.actions);
        auto *view = new QuestLog(
            *m.metrics,
            [target, quests, actions, m](QuestInputs &inputs) {
                // A target counts only while a window is under the pointer.
                if (target && target->gaze())
                    inputs.target = targetReadout(*target);
                addQuests(inputs, m, quests, actions);
            },
            parent);
        if (m.target)
            QObject::connect(m.target, &TargetMonitor::changed, view, &QuestLog::refresh);
        if (m.quests)
            QObject::connect(m.quests, &QuestService::changed, view, &QuestLog::refresh);
        if (m.actions) {
            QObject::connect(m.actions, &HUDActionService::focusLabelChanged, view,
                             &QuestLog::refresh);
            QObject::connect(m.actions, &HUDActionService::focusActiveChanged, view,
                             &QuestLog::refresh);
        }
        return view;
    }
    case HUDWidgetID::skillSlots: {
        auto *view = new SkillSlots(m.onOpenSkills,
                                    m.skills ? slotSkills(*m.skills) : QList<SlotSkill>(), parent);
        if (SkillBook *book = m.skills) {
            QObject::connect(book, &SkillBook::changed, view,
                             [view, book] { view->setSkills(slotSkills(*book)); });
        }
        if (HUDActionService *actions = m.actions) {
            view->setFocusRunning(actions->focusActive());
            QObject::connect(actions, &HUDActionService::focusActiveChanged, view,
                             &SkillSlots::setFocusRunning);
        }
        return view;
    }
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
        auto *rail = new MenuRail(std::move(inputs), parent);
        if (UnreadMonitor *unread = m.unread) {
            rail->setUnreadCount(unread->unread());
            QObject::connect(unread, &UnreadMonitor::unreadChanged, rail,
                             [rail](int count) { rail->setUnreadCount(count); });
        }
        if (QuestService *quests = m.quests) {
            SystemMetricsService *metrics = m.metrics;
            auto mark = [rail, quests, metrics] {
                rail->setUrgentQuestCount(
                    quests->urgentCount(metrics ? metrics->now() : QDateTime::currentDateTime()));
            };
            mark();
            QObject::connect(quests, &QuestService::changed, rail, mark);
        }
        return rail;
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
    case HUDWidgetID::equipment: {
        if (!m.arranger)
            return nullptr;
        auto *view = new CoreEquipment(*m.arranger, m.playCue, parent);
        view->setSkillBook(m.skills);
        return view;
    }
    case HUDWidgetID::skills: {
        if (!m.skills)
            return nullptr;
        CoreSkills::Inputs inputs;
        inputs.actions = m.actions;
        inputs.openShortcutsApp = m.openShortcutsFolder;
        inputs.playCue = m.playCue;
        return new CoreSkills(*m.skills, std::move(inputs), parent);
    }
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

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
#include "ui/menu/MenuRail.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/SkillSlots.h"
#include "ui/widgets/TargetReadoutAdapter.h"

#include <QPointer>

using namespace CoreWidgets;

namespace {

QList<SlotSkill> slotSkills(const SkillBook &book)
{
    QList<SlotSkill> tiles;
    for (const SkillBook::Skill &skill : book.quickBar())
        tiles << SlotSkill{skill.id, skill.title, skill.icon};
    return tiles;
}

// What the quest service and the action service add to the machine figures.
void addQuests(QuestInputs &in, const QuestService *quests, const HUDActionService *actions)
{
    if (quests) {
        in.access.needsAccess = quests->needsAccess();
        in.access.accessDenied = quests->accessDenied();
        for (const QuestService::Event &e : quests->events())
            in.events << QuestEvent{e.id, e.title, e.start, e.end, e.location};
        for (const QuestService::Reminder &r : quests->reminders())
            in.reminders << QuestReminder{r.id, r.title, r.due.value_or(QDateTime())};
    }
    if (actions)
        in.focus = QuestFocus{actions->focusActive(), actions->focusLabel()};
}

// What a row asks for, of the service that does it; nothing while that service is missing.
void act(QuestAction action, QuestService *quests, HUDActionService *actions)
{
    switch (action) {
    case QuestAction::none:
        break;
    case QuestAction::batterySettings:
        if (actions)
            actions->openBatterySettings();
        break;
    case QuestAction::storageSettings:
        if (actions)
            actions->openStorageSettings();
        break;
    case QuestAction::requestCalendarAccess:
        if (quests)
            quests->requestAccess();
        break;
    case QuestAction::calendarSettings:
        if (quests)
            quests->openSettings();
        break;
    case QuestAction::startFocus:
        if (actions && !actions->focusActive())
            actions->toggleFocus();
        break;
    }
}

} // namespace

namespace ReadoutViews {

PartyStrip *partyStrip(SystemMetricsService &metrics, NetworkMonitor *network, QWidget *parent)
{
    PartyStrip::NetworkReading reading;
    if (network) {
        QPointer<NetworkMonitor> ref(network);
        reading = [ref]() -> std::pair<double, QString> {
            if (!ref)
                return {0.0, QString()};
            return {ref->strength(), ref->label()};
        };
    }
    auto *view = new PartyStrip(metrics, reading, parent);
    if (network)
        QObject::connect(network, &NetworkMonitor::changed, view, &PartyStrip::refresh);
    return view;
}

TargetCursor *targetCursor(TargetMonitor *target, HUDVisibility *visibility,
                           TargetCursor::SpriteMaker sprites, QWidget *parent)
{
    auto *view = new TargetCursor(target ? targetReadout(*target) : TargetReadout{}, parent);
    if (target) {
        QObject::connect(target, &TargetMonitor::changed, view,
                         [view, target] { view->setTarget(targetReadout(*target)); });
    }
    if (sprites)
        view->setSprites(std::move(sprites));
    if (visibility) {
        view->setBob(visibility->visible());
        QObject::connect(visibility, &HUDVisibility::visibleChanged, view, &TargetCursor::setBob);
    }
    return view;
}

NowPlaying *nowPlaying(NowPlayingMonitor *monitor, QWidget *parent)
{
    auto *view = new NowPlaying(parent);
    if (monitor) {
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

QuestLog *questLog(SystemMetricsService &metrics, TargetMonitor *target, QuestService *quests,
                   HUDActionService *actions, QWidget *parent)
{
    QPointer<TargetMonitor> targetRef(target);
    QPointer<QuestService> questsRef(quests);
    QPointer<HUDActionService> actionsRef(actions);
    auto *view = new QuestLog(
        metrics,
        [targetRef, questsRef, actionsRef](QuestInputs &inputs) {
            // A target counts only while a window is under the pointer.
            if (targetRef && targetRef->gaze())
                inputs.target = targetReadout(*targetRef);
            addQuests(inputs, questsRef, actionsRef);
        },
        parent);
    QObject::connect(
        view, &QuestLog::actionRequested, view,
        [questsRef, actionsRef](QuestAction action) { act(action, questsRef, actionsRef); });
    if (quests)
        QObject::connect(view, &QuestLog::reminderCompleted, quests, &QuestService::complete);
    if (target)
        QObject::connect(target, &TargetMonitor::changed, view, &QuestLog::refresh);
    if (quests)
        QObject::connect(quests, &QuestService::changed, view, &QuestLog::refresh);
    if (actions) {
        QObject::connect(actions, &HUDActionService::focusLabelChanged, view, &QuestLog::refresh);
        QObject::connect(actions, &HUDActionService::focusActiveChanged, view, &QuestLog::refresh);
    }
    return view;
}

SkillSlots *skillSlots(SkillBook *skills, HUDActionService *actions, QWidget *parent)
{
    auto *view = new SkillSlots(skills ? slotSkills(*skills) : QList<SlotSkill>(), parent);
    if (skills) {
        QObject::connect(skills, &SkillBook::changed, view,
                         [view, skills] { view->setSkills(slotSkills(*skills)); });
        QObject::connect(view, &SkillSlots::skillChosen, skills,
                         qOverload<const QString &>(&SkillBook::run));
    }
    if (actions) {
        view->setFocusRunning(actions->focusActive());
        QObject::connect(actions, &HUDActionService::focusActiveChanged, view,
                         &SkillSlots::setFocusRunning);
        // The menu's status line follows the service's outcome and its work in progress.
        auto status
            = [view, actions] { view->setStatus(actions->lastStatus(), actions->isWorking()); };
        status();
        QObject::connect(actions, &HUDActionService::lastStatusChanged, view, status);
        QObject::connect(actions, &HUDActionService::isWorkingChanged, view, status);
    }
    return view;
}

void markRail(MenuRail &rail, UnreadMonitor *unread, QuestService *quests,
              SystemMetricsService *metrics)
{
    if (unread) {
        rail.setUnreadCount(unread->unread());
        QObject::connect(unread, &UnreadMonitor::unreadChanged, &rail,
                         [rail = &rail](int count) { rail->setUnreadCount(count); });
    }
    if (quests) {
        QPointer<SystemMetricsService> clock(metrics);
        auto mark = [rail = &rail, quests, clock] {
            rail->setUrgentQuestCount(
                quests->urgentCount(clock ? clock->now() : QDateTime::currentDateTime()));
        };
        mark();
        QObject::connect(quests, &QuestService::changed, &rail, mark);
    }
}

} // namespace ReadoutViews

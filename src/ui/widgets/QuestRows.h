#pragma once

#include "monitors/SystemMetricsService.h"
#include "ui/widgets/TargetReadout.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// How a quest-log row is coloured: alerts red, urgent blue, quests and setup gold.
enum class QuestTone { alert, urgent, quest, setup };

// What clicking a quest-log row asks for.
enum class QuestAction {
    none, // the row does nothing when clicked
    batterySettings,
    storageSettings,
    requestCalendarAccess,
    // Where the calendars and reminders are kept: denied access and the reminders rows.
    calendarSettings,
    startFocus,
};

// One line of the quest log.
struct QuestRow
{
    QString id; // stable identity
    QString kind; // shown above the text
    QString text;
    QString sub; // empty: no third line
    QuestTone tone = QuestTone::quest;
    QuestAction action = QuestAction::none;
    // Present: the row carries a completion check for this reminder.
    std::optional<QString> completes;
};

// Calendar access as the quest service reports it.
struct QuestAccess
{
    bool needsAccess = false;
    bool accessDenied = false;
};

// A today's event the quest service has already judged worth showing.
struct QuestEvent
{
    QString id;
    QString title;
    QDateTime start;
    QDateTime end;
    QString location;
};

// An incomplete reminder due by the end of today.
struct QuestReminder
{
    QString id;
    QString title;
    QDateTime due; // invalid: no due date
};

// The focus session of the action service.
struct QuestFocus
{
    bool running = false;
    QString label; // time left, e.g. "24:10"
};

// Everything the quest log is built from. The calendar, target and focus parts stay empty until
// their sources are connected, and their rows are then simply absent.
struct QuestInputs
{
    QDateTime now;
    bool hasBattery = false;
    std::optional<double> batteryPercent;
    bool isCharging = false;
    double cpuPercent = 0;
    double memoryUsedGB = 0;
    double memoryTotalGB = 0;
    MemoryPressure memoryPressure = MemoryPressure::normal;
    double diskFreeGB = 0;
    double diskTotalGB = 0;

    std::optional<TargetReadout> target;
    QuestAccess access;
    QList<QuestEvent> events;
    QList<QuestReminder> reminders;
    std::optional<QuestFocus> focus;

    // The machine figures of `metrics`; the other inputs are left empty.
    static QuestInputs fromMetrics(const SystemMetricsService &metrics);
};

// At most this many rows are listed.
constexpr int maxQuestRows = 10;

// The quest log's rows, in order: low battery, memory, CPU, disk, calendar access, events,
// reminders, focus, and "all clear" when nothing asks for attention.
QList<QuestRow> questRows(const QuestInputs &inputs);

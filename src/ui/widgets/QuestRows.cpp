#include "ui/widgets/QuestRows.h"

#include "ui/widgets/ReadoutText.h"

#include <QLocale>

namespace {
constexpr double kLowBatteryPercent = 20;
constexpr double kBusyCpuPercent = 85;
constexpr double kLowDiskShare = 0.12;
constexpr int kListedEvents = 2;
constexpr int kListedReminders = 3;

QString shortTime(const QDateTime &when)
{
    return ReadoutText::shortTime(when.time());
}

QString withLocation(const QString &sub, const QString &location)
{
    return location.isEmpty() ? sub : sub + QStringLiteral(" · ") + location;
}

QuestRow eventRow(const QuestEvent &event, const QDateTime &now)
{
    QuestRow row;
    row.id = QStringLiteral("e-") + event.id;
    row.text = event.title;
    if (event.start <= now && now < event.end) {
        row.kind = QStringLiteral("Active");
        row.tone = QuestTone::urgent;
        row.sub = QStringLiteral("until ") + shortTime(event.end);
    } else {
        row.kind = QStringLiteral("Event");
        row.tone = QuestTone::quest;
        row.sub = event.start.date() == now.date()
            ? shortTime(event.start)
            : QLocale().toString(event.start.date(), QStringLiteral("ddd")) + QLatin1Char(' ')
                + shortTime(event.start);
    }
    row.sub = withLocation(row.sub, event.location);
    return row;
}

QuestRow reminderRow(const QuestReminder &reminder, const QDateTime &now)
{
    const bool dueToday = reminder.due.date() == now.date();
    QuestRow row;
    row.id = QStringLiteral("r-") + reminder.id;
    row.action = QuestAction::calendarSettings;
    row.completes = reminder.id;
    row.text = reminder.title;
    if (!reminder.due.isValid()) {
        // Open, but due at no particular time: a quest, never overdue.
        row.kind = QStringLiteral("Quest");
        row.tone = QuestTone::quest;
        row.sub = QStringLiteral("No due date");
        return row;
    }
    row.kind = dueToday ? QStringLiteral("Quest") : QStringLiteral("Overdue");
    row.tone = dueToday ? QuestTone::quest : QuestTone::alert;
    row.sub = dueToday ? QStringLiteral("Due today")
                       : QStringLiteral("Due ")
            + QLocale().toString(reminder.due.date(), QStringLiteral("ddd MMM d"));
    return row;
}
} // namespace

QuestInputs QuestInputs::fromMetrics(const SystemMetricsService &metrics)
{
    QuestInputs inputs;
    inputs.now = metrics.now();
    inputs.hasBattery = metrics.hasBattery();
    inputs.batteryPercent = metrics.batteryPercent();
    inputs.isCharging = metrics.isCharging();
    inputs.cpuPercent = metrics.cpuPercent();
    inputs.memoryUsedGB = metrics.memoryUsedGB();
    inputs.memoryTotalGB = metrics.memoryTotalGB();
    inputs.memoryPressure = metrics.memoryPressure();
    inputs.diskFreeGB = metrics.diskFreeGB();
    inputs.diskTotalGB = metrics.diskTotalGB();
    return inputs;
}

QList<QuestRow> questRows(const QuestInputs &in)
{
    QList<QuestRow> rows;
    bool alerted = false;
    auto alert = [&](QString id, QString text, QuestAction action) {
        rows.append({std::move(id), QStringLiteral("Alert"), std::move(text), QString(),
                     QuestTone::alert, action});
        alerted = true;
    };

    // The threshold compares the unrounded percent: 19.6 % is low and reads "20%".
    if (in.hasBattery && in.batteryPercent && *in.batteryPercent < kLowBatteryPercent
        && !in.isCharging)
        alert(QStringLiteral("battery"),
              QString::asprintf("Low HP: battery at %.0f%%, plug in", *in.batteryPercent),
              QuestAction::batterySettings);

    if (in.memoryPressure != MemoryPressure::normal)
        alert(QStringLiteral("memory"),
              QStringLiteral("Memory pressure ")
                  + MemoryPressures::rawValue(in.memoryPressure).toLower() + QStringLiteral(": ")
                  + QString::asprintf("%.1f", in.memoryUsedGB) + QStringLiteral(" of ")
                  + QString::asprintf("%.0f", in.memoryTotalGB) + QStringLiteral(" GB"),
              QuestAction::none);

    if (in.target && in.target->tier >= ThreatTier::strong)
        alert(QStringLiteral("cpu"),
              in.target->name + QStringLiteral(" is using ")
                  + QString::asprintf("%.1f", in.target->cpuPercent / 100)
                  + QStringLiteral(" cores"),
              QuestAction::none);
    else if (in.cpuPercent > kBusyCpuPercent)
        alert(QStringLiteral("cpuAll"),
              QString::asprintf("CPU at %.0f%%, check what is running", in.cpuPercent),
              QuestAction::none);

    if (in.diskTotalGB > 0 && in.diskFreeGB / in.diskTotalGB < kLowDiskShare)
        alert(QStringLiteral("disk"),
              QString::asprintf("Disk nearly full: %.0f GB free", in.diskFreeGB),
              QuestAction::storageSettings);

    if (in.access.needsAccess)
        rows.append({QStringLiteral("connect"), QStringLiteral("Setup"),
                     QStringLiteral("Connect Calendar and Reminders"),
                     QStringLiteral("Your events and due reminders become quests."),
                     QuestTone::setup, QuestAction::requestCalendarAccess});
    else if (in.access.accessDenied)
        rows.append({QStringLiteral("denied"), QStringLiteral("Setup"),
                     QStringLiteral("Calendar or Reminders access is off"),
                     QStringLiteral("Tap to open your calendar app."), QuestTone::setup,
                     QuestAction::calendarSettings});

    for (int i = 0; i < in.events.size() && i < kListedEvents; ++i)
        rows.append(eventRow(in.events[i], in.now));

    // Four or more: three listed and one row that counts the rest.
    const int reminders = int(in.reminders.size());
    const int listed = reminders > kListedReminders ? kListedReminders : reminders;
    for (int i = 0; i < listed; ++i)
        rows.append(reminderRow(in.reminders[i], in.now));
    if (reminders > kListedReminders)
        rows.append(
            {QStringLiteral("r-more"), QStringLiteral("Overdue"),
             QString::number(reminders - kListedReminders) + QStringLiteral(" more overdue"),
             QStringLiteral("Open Reminders to catch up."), QuestTone::alert,
             QuestAction::calendarSettings});

    if (in.focus) {
        if (in.focus->running)
            rows.append(
                {QStringLiteral("focus"), QStringLiteral("Focus"),
                 QStringLiteral("Session running: ") + in.focus->label + QStringLiteral(" left"),
                 QString(), QuestTone::quest});
        else
            rows.append({QStringLiteral("focus"), QStringLiteral("Focus"),
                         QStringLiteral("Start a 25 minute focus session"), QString(),
                         QuestTone::quest, QuestAction::startFocus});
    }

    if (!alerted && in.events.isEmpty() && in.reminders.isEmpty())
        rows.append(
            {QStringLiteral("clear"), QStringLiteral("Status"),
             QString::asprintf("All clear: CPU %.0f%%, %.0f GB free", in.cpuPercent, in.diskFreeGB),
             QStringLiteral("Nothing due today."), QuestTone::quest});

    if (rows.size() > maxQuestRows)
        rows.resize(maxQuestRows);
    return rows;
}

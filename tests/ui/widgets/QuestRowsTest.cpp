#include "ui/widgets/QuestRows.h"

#include <gtest/gtest.h>

namespace {

// A calm machine: plenty of battery, disk and memory, an idle CPU.
QuestInputs calm()
{
    return {.now = QDateTime(QDate(2026, 12, 7), QTime(10, 0)),
            .hasBattery = true,
            .batteryPercent = 80,
            .cpuPercent = 12,
            .memoryUsedGB = 6,
            .memoryTotalGB = 16,
            .diskFreeGB = 200,
            .diskTotalGB = 500};
}

// The ids of the rows `in` gives, and the "kind: text" of the first of them.
void expectRows(const char *name, const QuestInputs &in, const QStringList &ids,
                const QString &first = {})
{
    SCOPED_TRACE(name);
    const QList<QuestRow> rows = questRows(in);
    QStringList got;
    for (const QuestRow &row : rows)
        got << row.id;
    EXPECT_EQ(got, ids);
    if (!first.isEmpty() && !rows.isEmpty()) {
        EXPECT_EQ(rows[0].kind + ": " + rows[0].text, first);
    }
}

// Everything asks at once: low battery, critical memory, a busy CPU, a full disk and focus.
QuestInputs everything()
{
    QuestInputs in = calm();
    in.batteryPercent = 10;
    in.memoryPressure = MemoryPressure::critical;
    in.cpuPercent = 99;
    in.diskFreeGB = 10;
    in.focus = QuestFocus{};
    return in;
}

void addReminders(QuestInputs &in, int count, const QDate &due)
{
    for (int i = 1; i <= count; ++i)
        in.reminders.append({QString::number(i),
                             QStringLiteral("Task %1").arg(i),
                             QDateTime(due, QTime(9, 0)),
                             {},
                             {}});
}

} // namespace

TEST(QuestRows, AlertsStartPastTheirThresholds)
{
    expectRows("calm", calm(), {"clear"}, "Status: All clear: CPU 12%, 200 GB free");
    // The battery compares the unrounded percent.
    QuestInputs in = calm();
    in.batteryPercent = 19.6;
    expectRows("19.6 %", in, {"battery"}, "Alert: Low HP: battery at 20%, plug in");
    in.batteryPercent = 20;
    expectRows("20 %", in, {"clear"});
    in.batteryPercent = 5;
    in.isCharging = true;
    expectRows("charging", in, {"clear"});
    in.isCharging = false;
    in.hasBattery = false;
    expectRows("no battery", in, {"clear"});

    in = calm();
    in.memoryPressure = MemoryPressure::warning;
    in.memoryUsedGB = 13.04;
    in.cpuPercent = 85;
    in.diskFreeGB = 60; // 12 % of 500
    expectRows("memory", in, {"memory"}, "Alert: Memory pressure elevated: 13.0 of 16 GB");
    in.memoryPressure = MemoryPressure::normal;
    in.cpuPercent = 85.1;
    expectRows("CPU", in, {"cpuAll"}, "Alert: CPU at 85%, check what is running");
    in.cpuPercent = 12;
    in.diskFreeGB = 59.5;
    expectRows("disk", in, {"disk"}, "Alert: Disk nearly full: 60 GB free");
    in.diskTotalGB = in.diskFreeGB = 0;
    expectRows("unknown disk", in, {"clear"});

    // A strong target is named instead of the machine; an active one is not enough.
    in.cpuPercent = 95;
    in.target = TargetReadout{QStringLiteral("Blender"), ThreatTier::strong, "Strong", 250, 3.1};
    expectRows("strong target", in, {"cpu"}, "Alert: Blender is using 2.5 cores");
    in.target->tier = ThreatTier::active;
    expectRows("active target", in, {"cpuAll"});
}

TEST(QuestRows, AlertsComeFirstThenSetupEventsRemindersAndFocusTenAtMost)
{
    expectRows("everything", everything(), {"battery", "memory", "cpuAll", "disk", "focus"});
    QuestInputs in = calm();
    in.focus = QuestFocus{true, QStringLiteral("12:30"), {}};
    expectRows("running focus", in, {"focus", "clear"}, "Focus: Session running: 12:30 left");

    in = calm();
    addReminders(in, 5, QDate(2026, 12, 5));
    expectRows("five overdue", in, {"r-1", "r-2", "r-3", "r-more"}, "Overdue: Task 1");
    EXPECT_EQ(questRows(in).last().text, "2 more overdue");

    // The reminders due today; the count of the rest, a third event and focus fall off.
    in = everything();
    in.access.needsAccess = true;
    addReminders(in, 5, in.now.date());
    for (int i = 1; i <= 3; ++i)
        in.events.append({QString::number(i),
                          QStringLiteral("Standup"),
                          in.now.addSecs(3600 * i),
                          in.now.addSecs(3600 * i + 900),
                          {}});
    expectRows(
        "ten at most", in,
        {"battery", "memory", "cpuAll", "disk", "connect", "e-1", "e-2", "r-1", "r-2", "r-3"});
    EXPECT_EQ(questRows(in)[7].kind, "Quest");
}

TEST(QuestRows, AlertsRunTheirSettingsAndAnEventInProgressIsUrgentUntilItsEnd)
{
    QuestInputs in = calm();
    in.batteryPercent = 5;
    bool opened = false;
    in.openBatterySettings = [&] { opened = true; };
    in.events.append({QStringLiteral("x"), QStringLiteral("Review"), in.now.addSecs(-600),
                      in.now.addSecs(1200), QStringLiteral("Room 4")});
    const QList<QuestRow> rows = questRows(in);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].tone, QuestTone::alert);
    rows[0].run();
    EXPECT_TRUE(opened);
    EXPECT_EQ(rows[1].kind + ": " + rows[1].text, "Active: Review");
    EXPECT_EQ(rows[1].tone, QuestTone::urgent);
    EXPECT_TRUE(rows[1].sub.startsWith("until ")) << rows[1].sub.toStdString();
    EXPECT_TRUE(rows[1].sub.endsWith(" · Room 4"));
}

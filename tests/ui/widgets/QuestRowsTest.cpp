#include "ui/widgets/QuestRows.h"

#include <gtest/gtest.h>

namespace {

// A calm machine: plenty of battery, disk and memory, an idle CPU.
QuestInputs calm()
{
    QuestInputs in;
    in.now = QDateTime(QDate(2026, 12, 7), QTime(10, 0));
    in.hasBattery = true;
    in.batteryPercent = 80;
    in.cpuPercent = 12;
    in.memoryUsedGB = 6;
    in.memoryTotalGB = 16;
    in.diskFreeGB = 200;
    in.diskTotalGB = 500;
    return in;
}

QStringList ids(const QList<QuestRow> &rows)
{
    QStringList out;
    for (const QuestRow &row : rows)
        out << row.id;
    return out;
}

const QuestRow *find(const QList<QuestRow> &rows, const QString &id)
{
    for (const QuestRow &row : rows) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

QuestReminder reminder(int n, const QDate &due)
{
    return {
        QString::number(n), QStringLiteral("Task %1").arg(n), QDateTime(due, QTime(9, 0)), {}, {}};
}

} // namespace

TEST(QuestRows, LowBatteryComparesTheUnroundedPercent)
{
    QuestInputs in = calm();
    in.batteryPercent = 19.6;
    bool opened = false;
    in.openBatterySettings = [&] { opened = true; };
    const QList<QuestRow> rows = questRows(in);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows[0].text, "Low HP: battery at 20%, plug in");
    EXPECT_EQ(rows[0].kind, "Alert");
    EXPECT_EQ(rows[0].tone, QuestTone::alert);
    rows[0].run();
    EXPECT_TRUE(opened);

    in.batteryPercent = 20.0;
    EXPECT_EQ(find(questRows(in), "battery"), nullptr) << "20 % is not low";
    in.batteryPercent = 5;
    in.isCharging = true;
    EXPECT_EQ(find(questRows(in), "battery"), nullptr) << "charging";
    in.isCharging = false;
    in.hasBattery = false;
    EXPECT_EQ(find(questRows(in), "battery"), nullptr) << "no battery";
}

TEST(QuestRows, MemoryCpuAndDiskAlertsStartPastTheirThresholds)
{
    QuestInputs in = calm();
    in.memoryPressure = MemoryPressure::warning;
    in.memoryUsedGB = 13.04;
    in.cpuPercent = 85;
    in.diskFreeGB = 60; // 12 % of 500
    EXPECT_EQ(ids(questRows(in)), QStringList{"memory"});
    EXPECT_EQ(questRows(in)[0].text, "Memory pressure elevated: 13.0 of 16 GB");

    in.memoryPressure = MemoryPressure::normal;
    in.cpuPercent = 85.1;
    in.diskFreeGB = 59.5; // 11.9 %
    const QList<QuestRow> rows = questRows(in);
    ASSERT_EQ(ids(rows), (QStringList{"cpuAll", "disk"}));
    EXPECT_EQ(rows[0].text, "CPU at 85%, check what is running");
    EXPECT_EQ(rows[1].text, "Disk nearly full: 60 GB free");

    in.diskTotalGB = 0;
    in.diskFreeGB = 0;
    EXPECT_EQ(find(questRows(in), "disk"), nullptr) << "unknown disk";
}

TEST(QuestRows, AStrongTargetIsNamedInsteadOfTheMachine)
{
    QuestInputs in = calm();
    in.cpuPercent = 95;
    in.target = TargetReadout{QStringLiteral("Blender"), ThreatTier::strong, "Strong", 250, 3.1};
    const QList<QuestRow> rows = questRows(in);
    ASSERT_NE(find(rows, "cpu"), nullptr);
    EXPECT_EQ(find(rows, "cpu")->text, "Blender is using 2.5 cores");
    EXPECT_EQ(find(rows, "cpuAll"), nullptr);

    in.target->tier = ThreatTier::active;
    EXPECT_EQ(ids(questRows(in)), QStringList{"cpuAll"}) << "an active target is not enough";
}

TEST(QuestRows, AlertsComeFirstFocusNextAndAllClearOnlyWhenNothingAsks)
{
    const QList<QuestRow> clear = questRows(calm());
    ASSERT_EQ(ids(clear), QStringList{"clear"});
    EXPECT_EQ(clear[0].text + " | " + clear[0].sub,
              "All clear: CPU 12%, 200 GB free | Nothing due today.");

    QuestInputs in = calm();
    in.batteryPercent = 10;
    in.memoryPressure = MemoryPressure::critical;
    in.cpuPercent = 99;
    in.diskFreeGB = 10;
    in.focus = QuestFocus{};
    EXPECT_EQ(ids(questRows(in)), (QStringList{"battery", "memory", "cpuAll", "disk", "focus"}));

    QuestInputs quiet = calm();
    quiet.focus = QuestFocus{true, QStringLiteral("12:30"), {}};
    const QList<QuestRow> rows = questRows(quiet);
    EXPECT_EQ(ids(rows), (QStringList{"focus", "clear"}));
    EXPECT_EQ(rows[0].text, "Session running: 12:30 left");
}

TEST(QuestRows, FiveOverdueRemindersListThreeAndCountTheRestAndTenRowsAtMost)
{
    QuestInputs in = calm();
    for (int i = 1; i <= 5; ++i)
        in.reminders.append(reminder(i, QDate(2026, 12, 5)));
    const QList<QuestRow> rows = questRows(in);
    EXPECT_EQ(ids(rows), (QStringList{"r-1", "r-2", "r-3", "r-more"}));
    EXPECT_EQ(rows[0].kind, "Overdue");
    EXPECT_EQ(rows[3].text, "2 more overdue");

    // Everything at once, the reminders due today.
    for (QuestReminder &r : in.reminders)
        r.due = QDateTime(in.now.date(), QTime(9, 0));
    in.batteryPercent = 10;
    in.memoryPressure = MemoryPressure::critical;
    in.cpuPercent = 99;
    in.diskFreeGB = 10;
    in.access.needsAccess = true;
    for (int i = 1; i <= 2; ++i)
        in.events.append({QString::number(i),
                          QStringLiteral("Standup"),
                          in.now.addSecs(3600 * i),
                          in.now.addSecs(3600 * i + 900),
                          {}});
    in.focus = QuestFocus{};
    const QList<QuestRow> full = questRows(in);
    EXPECT_EQ(full.size(), maxQuestRows);
    EXPECT_EQ(full.last().id, "r-3") << "the count of the rest and focus fall off";
}

TEST(QuestRows, AnEventInProgressIsActiveUntilItsEnd)
{
    QuestInputs in = calm();
    in.events.append({QStringLiteral("x"), QStringLiteral("Review"), in.now.addSecs(-600),
                      in.now.addSecs(1200), QStringLiteral("Room 4")});
    const QList<QuestRow> rows = questRows(in);
    ASSERT_EQ(ids(rows), QStringList{"e-x"});
    EXPECT_EQ(rows[0].kind, "Active");
    EXPECT_EQ(rows[0].tone, QuestTone::urgent);
    EXPECT_TRUE(rows[0].sub.startsWith("until ")) << rows[0].sub.toStdString();
    EXPECT_TRUE(rows[0].sub.endsWith(" · Room 4"));
}

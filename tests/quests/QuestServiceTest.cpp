#include "quests/QuestService.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeSystemLog.h"
#include "platform/linux/EvolutionCalendarStore.h"
#include "platform/linux/ICalendarText.h"
#include "support/TestHelpers.h"

#include <QSaveFile>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QString utc(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QString event(const QString &uid, const QString &title, const QDateTime &start,
              const QDateTime &end, const QString &extra = {})
{
    return QStringLiteral("BEGIN:VEVENT\nUID:%1\nDTSTAMP:20260101T000000Z\nSUMMARY:%2\n"
                          "DTSTART:%3\nDTEND:%4\n%5END:VEVENT\n")
        .arg(uid, title, utc(start), utc(end), extra);
}

QString task(const QString &uid, const QString &title, const QString &extra = {})
{
    return QStringLiteral("BEGIN:VTODO\nUID:%1\nDTSTAMP:20260101T000000Z\nSUMMARY:%2\n%3"
                          "END:VTODO\n")
        .arg(uid, title, extra);
}

QByteArray calendar(const QString &components)
{
    QString text = QStringLiteral("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Tests//EN\n")
        + components + QStringLiteral("END:VCALENDAR\n");
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8();
}

struct QuestServiceTest : ::testing::Test
{
    QString dataHome = TestEnvironment::home() + QStringLiteral("/quests-")
        + QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    FakeClock clock;
    FakeFeedback feedback;
    FakeSystemLog log;
    EvolutionCalendarStore store{dataHome, &log};
    QuestService quests{store, clock, feedback};
    QDateTime now = clock.now();

    QString storePath(const char *kind, const char *file) const
    {
        return dataHome
            + QStringLiteral("/evolution/%1/personal/%2")
                  .arg(QLatin1String(kind), QLatin1String(file));
    }
    void writeEvents(const QString &components)
    {
        writeFile(storePath("calendar", "calendar.ics"), calendar(components));
    }
    void writeTasks(const QByteArray &bytes) { writeFile(storePath("tasks", "tasks.ics"), bytes); }
    QByteArray readTasks() const { return readFile(storePath("tasks", "tasks.ics")); }

    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !quests.isBusy(); }, 5000));
    }
    void refresh()
    {
        quests.refresh();
        settle();
    }
    QStringList eventTitles() const { return mapped(quests.events(), &QuestService::Event::title); }
    QStringList reminderTitles() const
    {
        return mapped(quests.reminders(), &QuestService::Reminder::title);
    }
};

} // namespace

TEST_F(QuestServiceTest, ListsTheEightEarliestEventsOfTheWindowRecurrencesExpanded)
{
    const QDateTime berlin = now.addSecs(5 * 3600).toTimeZone(QTimeZone("Europe/Berlin"));
    QString later; // four more, latest first
    for (int i = 9; i >= 6; --i)
        later += event(QStringLiteral("e%1").arg(i), QStringLiteral("E%1").arg(i),
                       now.addSecs(i * 3600), now.addSecs(i * 3600 + 600));
    writeEvents(
        later + event("running", "Running", now.addSecs(-50 * 60), now.addSecs(10 * 60))
        + event("ended", "Ended", now.addSecs(-61 * 60), now.addSecs(-60))
        + QStringLiteral("BEGIN:VEVENT\nUID:allday\nSUMMARY:All day\nDTSTART;VALUE=DATE:%1\n"
                         "END:VEVENT\n")
              .arg(now.date().toString(QStringLiteral("yyyyMMdd")))
        + event("cancelled", "Cancelled", now.addSecs(1800), now.addSecs(3600),
                QStringLiteral("STATUS:CANCELLED\n"))
        + event("weekly", "Weekly", now.addDays(-21).addSecs(2 * 3600),
                now.addDays(-21).addSecs(3 * 3600), QStringLiteral("RRULE:FREQ=WEEKLY\n"))
        + event("in600", "In 600", now.addSecs(600), now.addSecs(3600))
        + event("in601", "In 601", now.addSecs(601), now.addSecs(3600))
        + QStringLiteral("BEGIN:VEVENT\nUID:zoned\nSUMMARY:Zoned\nDTSTART;TZID=Europe/Berlin:%1\n"
                         "DURATION:PT30M\nEND:VEVENT\n")
              .arg(berlin.toString(QStringLiteral("yyyyMMdd'T'HHmmss"))));
    refresh();

    EXPECT_EQ(quests.eventAccess(), QuestService::Access::granted);
    EXPECT_EQ(eventTitles(),
              (QStringList{"Running", "In 600", "In 601", "Weekly", "Zoned", "E6", "E7", "E8"}));
    EXPECT_EQ(quests.events()[3].start, now.addSecs(2 * 3600));
    EXPECT_EQ(quests.events()[4].start, now.addSecs(5 * 3600));
    EXPECT_EQ(quests.events()[4].end, now.addSecs(5 * 3600 + 1800));
    // Pressing: running, or starting within 600 seconds; 601 is not.
    EXPECT_EQ(quests.urgentCount(now), 2);
}

TEST_F(QuestServiceTest, RemindersDueByTheEndOfTodayOverdueFirstUndatedLast)
{
    writeTasks(calendar(
        task("undated", "Undated")
        + task("later", "Later today", QStringLiteral("DUE:%1\n").arg(utc(now.addSecs(3 * 3600))))
        + task("tomorrow", "Tomorrow", QStringLiteral("DUE:%1\n").arg(utc(now.addDays(1))))
        + task("done", "Done", QStringLiteral("DUE:%1\nSTATUS:COMPLETED\n").arg(utc(now)))
        + task("yesterday", "Yesterday", QStringLiteral("DUE:%1\n").arg(utc(now.addDays(-1))))));
    refresh();

    EXPECT_EQ(reminderTitles(), (QStringList{"Yesterday", "Later today", "Undated"}));
    EXPECT_FALSE(quests.reminders()[2].due.has_value());
    // Only the overdue one needs the user now.
    EXPECT_EQ(quests.urgentCount(now), 1);
    // No calendar store yet: events wait for one, and the quest log asks to connect.
    EXPECT_EQ(quests.eventAccess(), QuestService::Access::notDetermined);
    EXPECT_TRUE(quests.needsAccess());
}

TEST_F(QuestServiceTest, CompletingRewritesThatTaskOnlyAndKeepsEditsMadeMeanwhile)
{
    const QByteArray head = "BEGIN:VCALENDAR\nVERSION:2.0\nX-WR-CALNAME:Home\n";
    const QByteArray other = task("other", "Water the plants",
                                  "DESCRIPTION:A long line that the calendar app folded here\n"
                                  " and went on.\n")
                                 .toUtf8();
    writeTasks(head + task("pay", "Pay rent", "DUE:" + utc(now.addSecs(3600)) + "\n").toUtf8()
               + other + "END:VCALENDAR\n");
    refresh();
    ASSERT_EQ(reminderTitles(), (QStringList{"Pay rent", "Water the plants"}));

    // The calendar app adds a task after our last read: completing must not lose it.
    QByteArray edited = readTasks();
    edited.insert(edited.lastIndexOf("END:VCALENDAR"), task("new", "Call mum").toUtf8());
    writeTasks(edited);

    quests.complete(quests.reminders()[0].id);
    settle();
    EXPECT_EQ(reminderTitles(), QStringList{"Water the plants"});
    ASSERT_EQ(feedback.toasts.size(), 1);
    EXPECT_EQ(feedback.toasts[0].message, QStringLiteral("Pay rent"));

    const QByteArray after = readTasks();
    EXPECT_TRUE(after.startsWith(head));
    EXPECT_TRUE(after.contains(other + task("new", "Call mum").toUtf8() + "END:VCALENDAR\n"));
    EXPECT_FALSE(after.contains('\r')); // the file's own line endings
    const qsizetype pay = after.indexOf("UID:pay");
    for (const char *line : {"STATUS:COMPLETED", "PERCENT-COMPLETE:100", "COMPLETED:2026"})
        EXPECT_GT(after.indexOf(line, after.lastIndexOf("BEGIN:VTODO", pay)), pay) << line;
    EXPECT_EQ(ICalendarText::incompleteReminders(after, now.addDays(1), "s", "Home").size(), 2);

    // One deleted elsewhere meanwhile: nothing happens, and the file is not touched.
    QByteArray withoutOther = after;
    withoutOther.remove(withoutOther.indexOf(other), other.size());
    writeTasks(withoutOther);
    quests.complete(quests.reminders()[0].id);
    settle();
    EXPECT_EQ(feedback.toasts.size(), 1);
    EXPECT_EQ(readTasks(), withoutOther);
}

TEST_F(QuestServiceTest, UnreadableAndGarbageStoresGiveEmptyListsAndLoseNothing)
{
    // A folder in the store's place, as file modes do not stop root.
    QDir().mkpath(storePath("calendar", "calendar.ics"));
    const QByteArray garbage("BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:x\r\n\xff\xfe\0garbage", 40);
    writeTasks(garbage);
    refresh();
    EXPECT_TRUE(quests.accessDenied());
    EXPECT_TRUE(quests.events().isEmpty());
    EXPECT_TRUE(quests.reminders().isEmpty());

    // An unreadable store is not rewritten, and the user is told; "../" reaches nothing.
    quests.complete(QStringLiteral("personal/x"));
    quests.complete(QStringLiteral("../personal/x"));
    settle();
    EXPECT_EQ(readTasks(), garbage);
    EXPECT_EQ(feedback.toasts.size(), 1);
}

// A broken sync or a hostile file nesting tasks a few hundred thousand deep ran libical's
// recursion out of stack at every refresh.
TEST_F(QuestServiceTest, AStorePastTheLimitsIsSkippedOnceLoggedAndTheOthersStillRead)
{
    writeEvents(event("ok", "Standup", now.addSecs(600), now.addSecs(1200)));
    writeTasks(calendar(task("a", "Water plants")));
    const QByteArray deep = "BEGIN:VCALENDAR\r\n" + QByteArray("BEGIN:VTODO\r\n").repeated(300000)
        + QByteArray("END:VTODO\r\n").repeated(300000) + "END:VCALENDAR\r\n";
    writeFile(dataHome + QStringLiteral("/evolution/calendar/deep/calendar.ics"), deep);
    writeFile(dataHome + QStringLiteral("/evolution/tasks/deep/tasks.ics"), deep);
    refresh();
    refresh(); // told once
    EXPECT_EQ(eventTitles(), QStringList{"Standup"});
    EXPECT_EQ(reminderTitles(), QStringList{"Water plants"});
    EXPECT_EQ(log.lines.filter("not read: components nested more than 32 deep").size(), 2)
        << log.lines.join('\n').toStdString();
    quests.complete(QStringLiteral("deep/x"));
    settle();
    EXPECT_EQ(readFile(dataHome + QStringLiteral("/evolution/tasks/deep/tasks.ics")), deep);
}

TEST_F(QuestServiceTest, RefreshesOnStoreChangesOnlyWhileTheHUDIsVisible)
{
    writeTasks(calendar(task("a", "First")));
    quests.setHUDVisible(true);
    settle();
    EXPECT_EQ(reminderTitles(), QStringList{"First"});

    // A calendar app saving replaces the file; each change is read without a refresh call.
    auto replaceTasks = [&](const QString &components) {
        QSaveFile f(storePath("tasks", "tasks.ics"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(calendar(components));
        ASSERT_TRUE(f.commit());
    };
    replaceTasks(task("a", "First") + task("b", "Second"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return reminderTitles() == QStringList{"First", "Second"};
    }));
    replaceTasks(task("c", "Third"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reminderTitles() == QStringList{"Third"}; }));

    quests.setHUDVisible(false);
    EXPECT_FALSE(quests.isRefreshing());
    writeTasks(calendar(task("a", "First") + task("b", "Second")));
    QTest::qWait(QuestService::changeSettleMs * 3);
    EXPECT_FALSE(quests.isBusy());
    EXPECT_EQ(reminderTitles(), QStringList{"Third"});
}

TEST(ICalendarText, ExcludedAndMovedOccurrencesFloatingTimesAndFoldedLines)
{
    const QDateTime monday(QDate(2026, 12, 7), QTime(9, 0), Qt::LocalTime);
    const QString floating = monday.toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
    const QByteArray ics = calendar(
        QStringLiteral("BEGIN:VEVENT\nUID:daily\nSUMMARY:Daily st\n and-up\nDTSTART:%1\n"
                       "DURATION:PT15M\nRRULE:FREQ=DAILY;COUNT=5\nEXDATE:%2\nEND:VEVENT\n"
                       "BEGIN:VEVENT\nUID:daily\nSUMMARY:Moved\nRECURRENCE-ID:%3\nDTSTART:%4\n"
                       "DURATION:PT15M\nEND:VEVENT\n")
            .arg(floating, monday.addDays(1).toString(QStringLiteral("yyyyMMdd'T'HHmmss")),
                 monday.addDays(2).toString(QStringLiteral("yyyyMMdd'T'HHmmss")),
                 monday.addDays(2).addSecs(3600).toString(QStringLiteral("yyyyMMdd'T'HHmmss"))));
    QList<CalendarEvent> events
        = ICalendarText::events(ics, monday.addDays(-1), monday.addDays(30), QStringLiteral("s"));
    std::sort(events.begin(), events.end(),
              [](const CalendarEvent &a, const CalendarEvent &b) { return a.start < b.start; });
    QList<std::pair<QString, QDateTime>> seen;
    for (const CalendarEvent &e : events)
        seen << std::pair(e.title, e.start);
    // Five days less the excluded Tuesday; Wednesday's occurrence moved an hour later.
    EXPECT_EQ(seen,
              (QList<std::pair<QString, QDateTime>>{{"Daily stand-up", monday},
                                                    {"Moved", monday.addDays(2).addSecs(3600)},
                                                    {"Daily stand-up", monday.addDays(3)},
                                                    {"Daily stand-up", monday.addDays(4)}}));
    EXPECT_EQ(events[0].end, monday.addSecs(15 * 60));
}

// Found by fuzzing: libical drops a control character from a UID it writes back, and reads a
// date-only DTSTAMP but writes back a form it then refuses.
TEST(ICalendarText, ACheckOffLeavesAloneATaskThatWouldNotSurviveTheRewriteOrReadBack)
{
    using Outcome = ICalendarText::Completed::Outcome;
    const QDateTime when(QDate(2026, 12, 6), QTime(9, 30), Qt::UTC);
    const QByteArray two = calendar(task(QStringLiteral("pay\frent"), QStringLiteral("Pay rent"))
                                    + task(QStringLiteral("plants"), QStringLiteral("Water")));
    EXPECT_EQ(ICalendarText::withTaskCompleted(two, QStringLiteral("pay\frent"), when).outcome,
              Outcome::unreadable);
    EXPECT_EQ(ICalendarText::withTaskCompleted(two, QStringLiteral("plants"), when).outcome,
              Outcome::completed);

    const QByteArray ics("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//GNOME//gnome-calendar//EN\n"
                         "X-WR-CALNAME:Home\nBEGIN:VTODO\nUID:pay-rent@exam\xeele.org\n"
                         "DTSTAMP:20260301\nPERCENT-COMPLETE:10\nEND:VTODO\0\0\0\x02meD:VTODO\n"
                         "END:VCALENDAR\n",
                         193);
    const QString uid = QString::fromUtf8("pay-rent@exam\xeele.org");
    const ICalendarText::Completed done = ICalendarText::withTaskCompleted(ics, uid, when);
    EXPECT_EQ(std::pair(done.outcome, done.text), std::pair(Outcome::unreadable, QByteArray()));

    // The same task with a full stamp still completes, twice over.
    QByteArray sound = ics;
    sound.replace("DTSTAMP:20260301\n", "DTSTAMP:20260301T080000Z\n");
    const ICalendarText::Completed once = ICalendarText::withTaskCompleted(sound, uid, when);
    ASSERT_EQ(once.outcome, Outcome::completed);
    EXPECT_EQ(ICalendarText::withTaskCompleted(once.text, uid, when).outcome, Outcome::completed);
}

TEST(ICalendarText, LimitsCountNestingAndComponentsOnTheirOwnLinesOnly)
{
    using namespace ICalendarText;
    const auto nested = [](const QByteArray &begin, int n) {
        return begin.repeated(n) + QByteArray("END:VTODO\n").repeated(n);
    };
    // Past: one level too deep (in any case), one component too many; a folded line is text.
    const std::pair<QByteArray, bool> rows[]
        = {{nested("BEGIN:VTODO\n", kMaxDepth), false},
           {nested("begin:vtodo\n", kMaxDepth + 1), true},
           {QByteArray("SUMMARY:x\n BEGIN:VTODO\n").repeated(40), false},
           {nested("BEGIN:VTODO\n", 1).repeated(kMaxComponents), false},
           {nested("BEGIN:VTODO\n", 1).repeated(kMaxComponents + 1), true}};
    for (const auto &[text, past] : rows)
        EXPECT_EQ(!pastLimits(text).isEmpty(), past) << text.left(40).toStdString();
}

// A component is found wherever libical would read one: opened in any case, on the first line,
// after bare line feeds; one only in a folded line's words is none.
TEST(ICalendarText, ComponentsOpenInAnyCaseOnAnyLineButNotInsideAFoldedLine)
{
    const QDateTime from(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
    const QByteArray event(
        "begin:vevent\nUID:a\nSUMMARY:A\nDTSTART:20261207T090000Z\nend:vevent\n");
    const std::pair<QByteArray, qsizetype> rows[] = {
        {calendar(QString::fromLatin1(event)), 1},
        {event, 1},
        {calendar(QStringLiteral("BEGIN:VTIMEZONE\nTZID:Z\nEND:VTIMEZONE\nX-A:x\n BEGIN:VEVENT\n")),
         0}};
    for (const auto &[text, count] : rows)
        EXPECT_EQ(ICalendarText::events(text, from, from.addDays(1), "s").size(), count)
            << text.toStdString();
    const QByteArray tasks = calendar(task("t", "T")).replace("BEGIN:VTODO", "Begin:vTodo");
    EXPECT_EQ(ICalendarText::incompleteReminders(tasks, from.addDays(1), "s", {}).size(), 1);
}

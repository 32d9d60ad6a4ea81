// What evolution-data-server hands over, read: its sources' key files and its iCalendar answers.
#include "platform/linux/EdsCalendarClient.h"
#include "platform/linux/EdsSession.h"
#include "platform/linux/ICalendarText.h"

#include <QDBusMessage>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace EdsCalendarClient;

QDBusMessage reply(const QVariant &value)
{
    return QDBusMessage::createMethodCall("a.b", "/", "a.b", "Get").createReply(value);
}

TEST(EdsKeyFile, ReadsWhatTheRegistryKeeps)
{
    const auto work = EdsSession::readKeyFile("[Data Source]\nDisplayName=Work\\splans\nParent=acct"
                                              "\n\n[Calendar]\nBackendName=caldav\n");
    ASSERT_TRUE(work);
    EXPECT_EQ(work->name, "Work plans");
    EXPECT_EQ(work->parent, "acct");
    EXPECT_TRUE(work->enabled); // on unless it says otherwise
    EXPECT_TRUE(work->calendar);
    EXPECT_FALSE(work->taskList);
    EXPECT_EQ(work->calendarBackend, "caldav");

    const auto off = EdsSession::readKeyFile(
        "[Data Source]\nEnabled=false\n\n[Task List]\nBackendName=local\n");
    ASSERT_TRUE(off);
    EXPECT_FALSE(off->enabled);
    EXPECT_TRUE(off->taskList);
    EXPECT_EQ(off->taskBackend, "local");

    EXPECT_FALSE(EdsSession::readKeyFile("<html>not a key file</html>"));
}

TEST(EdsAnswers, AnythingButCalendarTextCountsAsNone)
{
    const QString task = "BEGIN:VTODO\r\nUID:a\r\nEND:VTODO\r\n";
    EXPECT_FALSE(objectsOf(reply(42)));
    EXPECT_FALSE(objectsOf(QDBusMessage::createError("org.example.Failed", "no")));
    EXPECT_FALSE(objectsOf(reply(QStringList{task, "<html>"})));
    EXPECT_FALSE(objectsOf(reply(QStringList(ICalendarText::kMaxComponents + 1, task))));
    const auto fine = objectsOf(reply(QStringList{task}));
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->size(), 1);
}

TEST(EdsAnswers, ASeriesReadsInItsOwnZoneWithoutItsMovedOccurrence)
{
    // A daily rule in a zone only the data server knows, one occurrence moved out of the range;
    // the series arrives as a calendar of its parts.
    const QByteArray zone = "BEGIN:VTIMEZONE\r\nTZID:Office/Zone\r\nBEGIN:STANDARD\r\n"
                            "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0200\r\n"
                            "END:STANDARD\r\nEND:VTIMEZONE\r\n";
    const QByteArray rule = "BEGIN:VEVENT\r\nUID:sync\r\nDTSTAMP:20260101T000000Z\r\n"
                            "DTSTART;TZID=Office/Zone:20260301T180000\r\nDURATION:PT1H\r\n"
                            "RRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Sync\r\nEND:VEVENT\r\n";
    const QByteArray series = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + rule
        + "BEGIN:VEVENT\r\nUID:sync\r\nDTSTAMP:20260101T000000Z\r\n"
          "RECURRENCE-ID;TZID=Office/Zone:20260302T180000\r\n"
          "DTSTART;TZID=Office/Zone:20260320T180000\r\nDURATION:PT1H\r\nSUMMARY:Moved\r\n"
          "END:VEVENT\r\nEND:VCALENDAR\r\n";
    EXPECT_EQ(seriesNamed({rule, "BEGIN:VEVENT\r\nUID:once\r\nEND:VEVENT\r\n"}),
              QStringList{"sync"});
    EXPECT_EQ(zonesNamed({rule}), QStringList{"Office/Zone"});

    const QDateTime from(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);
    QStringList starts;
    for (const CalendarEvent &e :
         ICalendarText::events(calendarOf({zone}, {series}), from, from.addDays(3), "s"))
        starts << e.start.toUTC().toString("dd HH:mm");
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, (QStringList{"01 16:00", "03 16:00"}));
}

} // namespace

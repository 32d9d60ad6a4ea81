// The quests read through a real evolution-data-server on a bus of the test's own, with a CalDAV
// calendar and task list served by Radicale on 127.0.0.1 and a local calendar beside them.
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "platform/linux/EdsCalendarStore.h"
#include "quests/QuestService.h"
#include "support/LoopbackServer.h"
#include "support/PrivateEdsBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray stamp(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
}

QByteArray vevent(const QByteArray &uid, const QByteArray &title, const QDateTime &start,
                  const QByteArray &extra = {})
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:" + stamp(start)
        + "\r\nDTSTART:" + stamp(start) + "\r\nDTEND:" + stamp(start.addSecs(1800))
        + "\r\nSUMMARY:" + title + "\r\n" + extra + "END:VEVENT\r\n";
}

QByteArray calendar(const QByteArray &body)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

bool waitUntil(const std::function<bool()> &done, int ms = 25000)
{
    return QTest::qWaitFor(done, ms);
}

class EdsQuests : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A test that dies takes its servers with it.
        m_radicale.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        const QString home = TestEnvironment::home();
        // Whole seconds, as the calendars store them.
        const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
        clock.setStart(now);
        clock.setUptime(0);
        // Radicale's folders: a calendar and a task list, anonymous and read-write.
        const QString root = m_dir.filePath("radicale/collection-root");
        writeFile(root + "/test/cal/.Radicale.props", R"({"tag": "VCALENDAR"})");
        writeFile(root + "/test/tasks/.Radicale.props", R"({"tag": "VCALENDAR"})");
        writeFile(root + "/test/cal/standup.ics",
                  calendar(vevent("standup", "Standup", now.addSecs(1800))));
        const QDateTime daily = now.addDays(-1).addSecs(7200);
        writeFile(root + "/test/cal/daily.ics",
                  calendar(vevent("daily", "Daily sync", daily, "RRULE:FREQ=DAILY;COUNT=5\r\n")
                           + vevent("daily", "Daily sync moved", now.addSecs(3 * 3600),
                                    "RECURRENCE-ID:" + stamp(daily.addDays(1)) + "\r\n")));
        auto todo = [](const QByteArray &uid, const QByteArray &title, const QDateTime &due,
                       const QByteArray &extra = {}) {
            return calendar("BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:" + stamp(due)
                            + "\r\nDUE:" + stamp(due) + "\r\nSUMMARY:" + title + "\r\n" + extra
                            + "END:VTODO\r\n");
        };
        writeFile(root + "/test/tasks/rent.ics", todo("rent", "Pay rent", now.addDays(-1)));
        writeFile(root + "/test/tasks/later.ics", todo("later", "Next week", now.addDays(7)));
        writeFile(root + "/test/tasks/done.ics",
                  todo("done", "Done", now.addDays(-2), "STATUS:COMPLETED\r\n"));
        m_port = LoopbackServer::freePort();
        startRadicale();

        // The sources, written before the registry starts: the CalDAV pair and a local calendar.
        const QString sources = home + "/.config/evolution/sources/";
        const QByteArray dav = "[Authentication]\nHost=127.0.0.1\nMethod=none\nPort="
            + QByteArray::number(m_port) + "\nUser=\n\n[Security]\nMethod=none\n\n[Offline]\n"
            + "StaySynchronized=true\n\n[WebDAV Backend]\nResourcePath=/test/";
        writeFile(sources + "work.source",
                  "[Data Source]\nDisplayName=Work calendar\nEnabled=true\n"
                  "\n[Calendar]\nBackendName=caldav\n\n"
                      + dav + "cal/\n");
        writeFile(sources + "worktasks.source",
                  "[Data Source]\nDisplayName=Work tasks\n"
                  "Enabled=true\n\n[Task List]\nBackendName=caldav\n\n"
                      + dav + "tasks/\n");
        writeFile(sources + "home.source",
                  "[Data Source]\nDisplayName=Home\nEnabled=true\n\n"
                  "[Calendar]\nBackendName=local\n");
        writeFile(sources + "birthdays.source",
                  "[Data Source]\nDisplayName=Birthdays\n"
                  "Enabled=false\n\n[Calendar]\nBackendName=contacts\n");
        writeFile(home + "/.local/share/evolution/calendar/home/calendar.ics",
                  calendar(vevent("dentist", "Dentist", now.addSecs(4 * 3600))));

        m_bus = std::make_unique<PrivateEdsBus>();
        ASSERT_FALSE(m_bus->address().isEmpty()) << "dbus-daemon (Debian package dbus) is needed";
    }

    void TearDown() override
    {
        quests.reset();
        store.reset();
        // The registry, the factory and its backends leave with the bus they were started by.
        m_bus.reset();
        m_radicale.kill();
        m_radicale.waitForFinished();
    }

    void startRadicale()
    {
        m_radicale.start("radicale",
                         {"--server-hosts", "127.0.0.1:" + QString::number(m_port), "--auth-type",
                          "none", "--rights-type", "authenticated", "--storage-filesystem-folder",
                          m_dir.filePath("radicale")});
        ASSERT_TRUE(waitUntil([&] { return LoopbackServer::accepts(m_port); }, 10000))
            << "radicale (Debian package radicale) did not start";
    }

    QStringList titles() const
    {
        QStringList out;
        for (const auto &e : quests->events())
            out << e.title + "@" + QString::number(clock.now().secsTo(e.start) / 60);
        for (const auto &r : quests->reminders())
            out << r.title + "/" + r.list;
        return out;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<PrivateEdsBus> m_bus;
    QProcess m_radicale;
    quint16 m_port = 0;
    FakeClock clock;
    FakeFeedback feedback;
    std::unique_ptr<EdsCalendarStore> store;
    std::unique_ptr<QuestService> quests;
};

// Without a data server to reach the local folders' files are read, and the setup check says so.
TEST(EdsAbsent, ReadsTheFiles)
{
    const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    const QDateTime now = QDateTime::currentDateTime();
    const QString home = TestEnvironment::home() + "/absent";
    writeFile(home + "/evolution/calendar/mine/calendar.ics",
              calendar(vevent("local", "Local", now.addSecs(600))));
    QElapsedTimer t;
    t.start();
    EdsCalendarStore store(home);
    EXPECT_FALSE(store.usingDataServer());
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(store.eventAccess(), CalendarStore::Access::granted);
    ASSERT_EQ(store.events(now, now.addSecs(3600)).size(), 1);
    EXPECT_FALSE(store.watchedPaths().isEmpty());
    const CalendarSources sources = store.sources();
    EXPECT_EQ(sources.backend, "calendar files");
    EXPECT_FALSE(sources.fallbackReason.isEmpty());
}

TEST_F(EdsQuests, ListsCompletesFollowsAndOutlivesTheServer)
{
    store = std::make_unique<EdsCalendarStore>(TestEnvironment::home(), nullptr,
                                               std::chrono::milliseconds(1500));
    // Made, the store has asked the data server nothing yet; asked before its wake-up time,
    // it still waits for that; then the question starts the server.
    QTest::qWait(500);
    const QDBusConnection probe = QDBusConnection::connectToBus(m_bus->address(), "eds-probe");
    const QString registry = QStringLiteral("org.gnome.evolution.dataserver.Sources5");
    EXPECT_FALSE(probe.interface()->isServiceRegistered(registry).value());
    quests = std::make_unique<QuestService>(*store, clock, feedback);
    quests->setHUDVisible(true);
    QTest::qWait(300);
    EXPECT_FALSE(probe.interface()->isServiceRegistered(registry).value());
    ASSERT_TRUE(store->usingDataServer()) << store->sources().fallbackReason.toStdString();
    EXPECT_TRUE(probe.interface()->isServiceRegistered(registry).value());

    // The event in 30 minutes, the moved occurrence and tomorrow's, the local one; the overdue
    // task but neither the one due next week nor the completed one. The CalDAV backend fills
    // its cache after it connects, and its view says so.
    const QStringList expected{"Standup@30", "Daily sync moved@180", "Dentist@240",
                               "Daily sync@1560", "Pay rent/Work tasks"};
    ASSERT_TRUE(waitUntil([&] { return titles() == expected; }))
        << titles().join(", ").toStdString();
    EXPECT_EQ(quests->urgentCount(clock.now()), 1);

    const CalendarSources sources = store->sources();
    EXPECT_EQ(sources.backend, "evolution-data-server");
    int online = 0;
    for (const auto &s : sources.sources)
        online += s.online && (s.name == "Work calendar" || s.name == "Work tasks") ? 1 : 0;
    EXPECT_EQ(online, 2);

    // Completing reaches the server's stored task.
    quests->complete(quests->reminders().first().id);
    ASSERT_TRUE(waitUntil([&] { return !quests->isBusy(); }));
    ASSERT_EQ(feedback.toasts.size(), 1);
    EXPECT_EQ(feedback.toasts.first().title, "Quest complete");
    const QByteArray stored
        = readFile(m_dir.filePath("radicale/collection-root/test/tasks/rent.ics"));
    EXPECT_TRUE(stored.contains("STATUS:COMPLETED") && stored.contains("PERCENT-COMPLETE:100"))
        << stored.constData();

    // An event added on the server shows once the server is asked, with no refresh of ours.
    writeFile(m_dir.filePath("radicale/collection-root/test/cal/late.ics"),
              calendar(vevent("late", "Late addition", clock.now().addSecs(3600))));
    store->refreshServers();
    EXPECT_TRUE(waitUntil([&] { return titles().contains("Late addition@60"); }))
        << titles().join(", ").toStdString();

    // With the server gone the cached and local quests still come, on time, and the main
    // thread never waits.
    m_radicale.kill();
    m_radicale.waitForFinished();
    QElapsedTimer t;
    t.start();
    quests->refresh();
    EXPECT_LT(t.elapsed(), 50);
    ASSERT_TRUE(waitUntil([&] { return !quests->isBusy(); }, 10000));
    EXPECT_LT(t.elapsed(), EdsCalendarStore::kSourceLimit.count() + 1000);
    EXPECT_TRUE(titles().contains("Dentist@240")) << titles().join(", ").toStdString();

    // A calendar factory that dies mid-session leaves a read on time, and its calendars are
    // opened again in the next one.
    QDBusConnection peek = QDBusConnection::connectToBus(m_bus->address(), "eds-test-peek");
    const QDBusReply<uint> pid
        = peek.interface()->servicePid(QStringLiteral("org.gnome.evolution.dataserver.Calendar8"));
    ASSERT_TRUE(pid.isValid()) << pid.error().message().toStdString();
    ::kill(pid_t(pid.value()), SIGKILL);
    t.restart();
    quests->refresh();
    ASSERT_TRUE(waitUntil([&] { return !quests->isBusy(); }, 10000));
    EXPECT_LT(t.elapsed(), EdsCalendarStore::kSourceLimit.count() + 1000);
    EXPECT_TRUE(waitUntil([&] {
        quests->refresh();
        return waitUntil([&] { return !quests->isBusy(); }, 10000)
            && titles().contains("Dentist@240") && titles().contains("Standup@30");
    })) << titles().join(", ").toStdString();
    QDBusConnection::disconnectFromBus("eds-test-peek");
}

} // namespace

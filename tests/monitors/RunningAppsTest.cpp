#include "monitors/RunningAppsMonitor.h"

#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

namespace {

constexpr pid_t kOwn = 4242;

class RunningApps : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    int selects = 0;

    // `count` regular apps with pids 1..count, app n launched n minutes after 09:00, listed
    // newest first so that the order must come from the launch dates.
    void launch(int count)
    {
        const QDateTime base(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        for (int n = count; n >= 1; --n)
            workspace.apps << FakeWorkspace::make(n, QStringLiteral("App %1").arg(n),
                                                  QStringLiteral("app%1").arg(n), true,
                                                  base.addSecs(60 * n));
    }

    std::unique_ptr<RunningAppsMonitor> make()
    {
        return std::make_unique<RunningAppsMonitor>(workspace, kOwn, [this] { ++selects; });
    }

    static QList<pid_t> ids(const RunningAppsMonitor &m)
    {
        QList<pid_t> out;
        for (const RunningAppsMonitor::Entry &e : m.entries())
            out << e.id;
        return out;
    }
    static QList<pid_t> marked(const RunningAppsMonitor &m)
    {
        QList<pid_t> out;
        for (const RunningAppsMonitor::Entry &e : m.entries()) {
            if (e.isFront)
                out << e.id;
        }
        return out;
    }
    static QList<pid_t> range(pid_t from, pid_t to)
    {
        QList<pid_t> out;
        for (pid_t p = from; p <= to; ++p)
            out << p;
        return out;
    }
};

} // namespace

TEST_F(RunningApps, OldestLaunchFirstAndUndatedBeforeAll)
{
    launch(3);
    workspace.apps << FakeWorkspace::make(77, "Undated", "undated");
    const auto m = make();
    EXPECT_EQ(ids(*m), (QList<pid_t>{77, 1, 2, 3}));
    EXPECT_TRUE(marked(*m).isEmpty());
}

TEST_F(RunningApps, TwelveSlotsKeepTheOldest)
{
    launch(13);
    workspace.front = 5;
    const auto m = make();
    EXPECT_EQ(ids(*m), range(1, 12));
    EXPECT_EQ(marked(*m), QList<pid_t>{5});
}

TEST_F(RunningApps, ThirteenthAppInFrontTakesTheLastSlot)
{
    launch(13);
    workspace.front = 13;
    const auto m = make();
    EXPECT_EQ(ids(*m), range(1, 11) << 13);
    EXPECT_EQ(marked(*m), QList<pid_t>{13});
}

TEST_F(RunningApps, FifteenthOldestInFrontTakesTheLastSlot)
{
    launch(15);
    workspace.front = 15;
    const auto m = make();
    ASSERT_EQ(m->entries().size(), RunningAppsMonitor::slotCount);
    EXPECT_EQ(ids(*m), range(1, 11) << 15);
    EXPECT_TRUE(m->entries().last().isFront);
    EXPECT_EQ(marked(*m), QList<pid_t>{15});
}

TEST_F(RunningApps, OwnProcessInFrontKeepsTheLastFrontApp)
{
    launch(4);
    workspace.apps << FakeWorkspace::make(kOwn, "Kaidro", "kaidro");
    workspace.front = 3;
    const auto m = make();
    ASSERT_EQ(m->lastFrontPID(), 3);
    workspace.front = kOwn;
    m->refresh();
    EXPECT_EQ(m->lastFrontPID(), 3);
    EXPECT_EQ(marked(*m), QList<pid_t>{3});
    EXPECT_FALSE(ids(*m).contains(kOwn));
}

TEST_F(RunningApps, NoFrontmostAppKeepsTheLastFrontApp)
{
    launch(2);
    workspace.front = 2;
    const auto m = make();
    workspace.front.reset();
    m->refresh();
    EXPECT_EQ(m->lastFrontPID(), 2);
}

TEST_F(RunningApps, BackgroundAppsAreNeverListed)
{
    launch(2);
    workspace.apps << FakeWorkspace::make(50, "Tray Utility", "tray", false);
    workspace.front = 50;
    const auto m = make();
    EXPECT_EQ(ids(*m), (QList<pid_t>{1, 2}));
    EXPECT_TRUE(marked(*m).isEmpty());
}

TEST_F(RunningApps, NamelessAppIsCalledApp)
{
    workspace.apps << FakeWorkspace::make(9, "", "nameless");
    const auto m = make();
    ASSERT_EQ(m->entries().size(), 1);
    EXPECT_EQ(m->entries().first().name, "App");
}

TEST_F(RunningApps, QuitAppDropsOutAtTheNotification)
{
    launch(3);
    workspace.front = 2;
    const auto m = make();
    QSignalSpy spy(m.get(), &RunningAppsMonitor::entriesChanged);

    workspace.apps.removeIf([](const RunningApp &a) { return a.pid == 2; });
    workspace.front.reset();
    emit workspace.terminated(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(ids(*m), (QList<pid_t>{1, 3}));
    EXPECT_TRUE(marked(*m).isEmpty()); // nothing marked until another app comes forward

    workspace.front = 3;
    emit workspace.activated(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(marked(*m), QList<pid_t>{3});
}

TEST_F(RunningApps, LaunchedAppJoinsAtTheNotification)
{
    launch(2);
    const auto m = make();
    workspace.apps << FakeWorkspace::make(30, "New", "new", true,
                                          QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC));
    emit workspace.launched(30);
    QCoreApplication::processEvents();
    EXPECT_EQ(ids(*m), (QList<pid_t>{1, 2, 30}));
}

TEST_F(RunningApps, NotificationAfterTheMonitorIsGoneDoesNothing)
{
    launch(1);
    auto m = make();
    emit workspace.launched(1);
    m.reset();
    QCoreApplication::processEvents(); // must not touch the destroyed monitor
    SUCCEED();
}

TEST_F(RunningApps, SwitchingSoundsTheSelectCueAndActivates)
{
    launch(2);
    const auto m = make();
    m->switchTo(2);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(workspace.activations, QList<pid_t>{2});
}

#include "commandbar/AppCatalog.h"

#include "commandbar/CommandSearch.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>

namespace {

InstalledApp installed(const QString &name, const QString &file = {})
{
    const QString path = file.isEmpty() ? QStringLiteral("/usr/share/applications/")
            + name.toLower().replace(QLatin1Char(' '), QLatin1Char('-'))
            + QStringLiteral(".desktop")
                                        : file;
    return {QFileInfo(path).completeBaseName(), name, path, {}};
}

QStringList names(const QList<AppCatalog::Entry> &apps)
{
    QStringList out;
    for (const AppCatalog::Entry &e : apps)
        out << e.name;
    return out;
}

class AppCatalogTest : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    FakeClock clock;
    AppCatalog catalog{workspace, clock};

    // Lets a scan that was started finish and hand its list back.
    void settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    QList<CommandItem> search(const QString &query)
    {
        CommandSources sources;
        sources.apps = catalog.apps();
        return CommandSearch::results(query, {}, sources);
    }
};

} // namespace

TEST_F(AppCatalogTest, TheFirstRequestScansAndEarlierSearchesSeeNothing)
{
    workspace.installed = {installed(QStringLiteral("Firefox"))};
    QSignalSpy changed(&catalog, &AppCatalog::changed);
    EXPECT_TRUE(catalog.apps().isEmpty());

    catalog.refreshIfStale();
    // The scan runs on the pool; the list changes only when its answer comes back.
    EXPECT_TRUE(catalog.apps().isEmpty());
    const QList<CommandItem> early = search(QStringLiteral("fire"));
    ASSERT_EQ(early.size(), 1);
    EXPECT_EQ(early.first().id, QStringLiteral("web"));
    ASSERT_TRUE(changed.wait(5000));
    ASSERT_EQ(catalog.apps().size(), 1);
    const AppCatalog::Entry &entry = catalog.apps().first();
    EXPECT_EQ(entry.name, QStringLiteral("Firefox"));
    EXPECT_EQ(entry.id, QStringLiteral("firefox"));
    EXPECT_EQ(entry.url,
              QUrl::fromLocalFile(QStringLiteral("/usr/share/applications/firefox.desktop")));
    EXPECT_EQ(search(QStringLiteral("fire")).first().title, QStringLiteral("Firefox"));
}

TEST_F(AppCatalogTest, RescansOnlyAfter120SecondsFromTheLastScanStart)
{
    workspace.installed = {installed(QStringLiteral("One"))};
    catalog.refreshIfStale();
    settle();
    ASSERT_EQ(names(catalog.apps()), QStringList{QStringLiteral("One")});

    workspace.installed << installed(QStringLiteral("Two"));
    clock.advance(60);
    catalog.refreshIfStale();
    clock.advance(60);
    catalog.refreshIfStale(); // exactly 120 s: still fresh
    settle();
    EXPECT_EQ(names(catalog.apps()), QStringList{QStringLiteral("One")});

    clock.advance(0.5);
    catalog.refreshIfStale();
    settle();
    EXPECT_EQ(names(catalog.apps()), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));

    // That scan restarted the gate.
    workspace.installed.removeFirst();
    clock.advance(100);
    catalog.refreshIfStale();
    settle();
    EXPECT_EQ(catalog.apps().size(), 2);
}

TEST_F(AppCatalogTest, SortsByNameIgnoringCaseAndKeepsOnePerPath)
{
    const QString shared = QStringLiteral("/opt/apps/shared.desktop");
    workspace.installed = {installed(QStringLiteral("zed")),
                           installed(QStringLiteral("Beta")),
                           installed(QStringLiteral("apple")),
                           installed(QStringLiteral("Alpha")),
                           installed(QStringLiteral("Banana")),
                           installed(QStringLiteral("Shared"), shared),
                           installed(QStringLiteral("Shared again"), shared)};
    catalog.refreshIfStale();
    settle();
    EXPECT_EQ(
        names(catalog.apps()),
        (QStringList{QStringLiteral("Alpha"), QStringLiteral("apple"), QStringLiteral("Banana"),
                     QStringLiteral("Beta"), QStringLiteral("Shared"), QStringLiteral("zed")}));
}

TEST_F(AppCatalogTest, AnAnswerForAGoneCatalogueIsDropped)
{
    workspace.installed = {installed(QStringLiteral("One"))};
    auto doomed = std::make_unique<AppCatalog>(workspace, clock);
    doomed->refreshIfStale();
    QThreadPool::globalInstance()->waitForDone();
    doomed.reset();
    // The queued answer finds nobody (a sanitizer build would catch a dangling write).
    QCoreApplication::processEvents();
}

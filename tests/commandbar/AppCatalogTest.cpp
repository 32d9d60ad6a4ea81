#include "commandbar/AppCatalog.h"

#include "fakes/FakeClock.h"
#include "fakes/FakeWorkspace.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThreadPool>

namespace {

InstalledApp installed(const QString &name, const QString &id = {})
{
    const QString file = id.isEmpty() ? name.toLower().replace(' ', '-') : id;
    return {file, name, "/usr/share/applications/" + file + ".desktop", {}};
}

QStringList names(const QList<AppCatalog::Entry> &apps)
{
    return mapped(apps, &AppCatalog::Entry::name);
}

class AppCatalogTest : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    FakeClock clock;
    AppCatalog catalog{workspace, clock};

    // Lets a scan that was started finish and hand its list back.
    QStringList refreshed()
    {
        catalog.refreshIfStale();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        return names(catalog.apps());
    }
};

} // namespace

TEST_F(AppCatalogTest, RescansOnlyAfter120SecondsFromTheLastScanStartAndSortsByNameOnePerPath)
{
    workspace.installed = {installed("One")};
    ASSERT_EQ(refreshed(), QStringList{"One"});
    workspace.installed << installed("Two");
    clock.advance(60);
    catalog.refreshIfStale();
    clock.advance(60);
    EXPECT_EQ(refreshed(), QStringList{"One"}); // exactly 120 s: still fresh
    clock.advance(0.5);
    EXPECT_EQ(refreshed(), (QStringList{"One", "Two"}));
    // That scan restarted the gate.
    workspace.installed.removeFirst();
    clock.advance(100);
    EXPECT_EQ(refreshed().size(), 2);

    // Sorted by name in any case, one entry per file, none without one.
    workspace.installed = {installed("Shared", "shared"), installed("Shared again", "shared"),
                           InstalledApp{"nofile", "No File", {}, {}}};
    for (const char *name : {"zed", "Beta", "apple", "Alpha", "Banana"})
        workspace.installed << installed(name);
    clock.advance(121);
    EXPECT_EQ(refreshed(), (QStringList{"Alpha", "apple", "Banana", "Beta", "Shared", "zed"}));
}

TEST_F(AppCatalogTest, ScansOnThePoolAndAnAnswerForAGoneCatalogueIsDroppedTheOthersStillArrive)
{
    workspace.installed = {installed("One")};
    QSignalSpy changed(&catalog, &AppCatalog::changed);
    auto doomed = std::make_unique<AppCatalog>(workspace, clock);
    doomed->refreshIfStale();
    catalog.refreshIfStale();
    QThreadPool::globalInstance()->waitForDone();
    // Both answers are queued, neither delivered yet: searches until then see nothing.
    EXPECT_TRUE(doomed->apps().isEmpty());
    EXPECT_TRUE(catalog.apps().isEmpty());
    doomed.reset();
    // The gone catalogue's answer finds nobody (ASan would catch a dangling write); ours lands.
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(catalog.apps(),
              (QList<AppCatalog::Entry>{
                  {"One", QUrl::fromLocalFile("/usr/share/applications/one.desktop"), "one"}}));
}

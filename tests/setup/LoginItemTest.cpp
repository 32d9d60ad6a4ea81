#include "platform/linux/XdgAutostartLoginItems.h"
#include "setup/LoginItemService.h"

#include "fakes/FakeSystemLog.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A program file at `path`, with its folders.
QString makeProgram(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct LoginItemFixture : ::testing::Test
{
    QTemporaryDir root{TestEnvironment::home() + "/login-XXXXXX"};
    QString autostart = root.filePath("config/autostart");
    FakeSystemLog log;
};

} // namespace

TEST_F(LoginItemFixture, RegistersAnInstalledCopyAndTogglesOff)
{
    // A space and a dollar sign must survive the Exec quoting.
    const QString program = makeProgram(root.filePath("my apps/$kaidro/Vantle"));
    XdgAutostartLoginItems items(autostart, program);
    LoginItemService service(items, log);
    ASSERT_FALSE(LoginItemService::isBuildFolder(program));
    EXPECT_EQ(items.status(), LoginItems::Status::notRegistered);

    service.toggle();

    ASSERT_TRUE(service.isEnabled());
    const QByteArray entry = readAll(items.entryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nName=Kaidro\n"));
    EXPECT_TRUE(entry.contains("\nX-GNOME-Autostart-enabled=true\n"));
    EXPECT_TRUE(
        entry.contains("\nExec=\"" + QString(program).replace("$", "\\\\$").toUtf8() + "\"\n"))
        << entry.constData();
    EXPECT_EQ(XdgAutostartLoginItems::programOf(entry), program);
    // Written through a temporary file that was renamed into place: nothing is left beside it.
    EXPECT_EQ(QDir(autostart).entryList(QDir::Files), QStringList{"kaidro.desktop"});
    EXPECT_TRUE(log.lines.isEmpty());

    service.toggle();
    EXPECT_FALSE(QFileInfo::exists(items.entryPath()));
    EXPECT_FALSE(service.isEnabled());
}

TEST_F(LoginItemFixture, AnEntryCountsOnlyWhenItStartsThisProgramAndIsNotHidden)
{
    const QString program = makeProgram(root.filePath("opt/Vantle"));
    XdgAutostartLoginItems items(autostart, program);
    QDir().mkpath(autostart);
    auto write = [&](const QByteArray &text) {
        QFile file(items.entryPath());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
    };

    write(XdgAutostartLoginItems::entry(program) + "Hidden=true\n");
    EXPECT_EQ(items.status(), LoginItems::Status::notRegistered);
    write(XdgAutostartLoginItems::entry(root.filePath("elsewhere/Vantle")));
    EXPECT_EQ(items.status(), LoginItems::Status::notRegistered);
    // An entry written by hand, unquoted and with an argument, still names us.
    write("[Desktop Entry]\nType=Application\nExec=" + program.toUtf8() + " --quiet\n");
    EXPECT_EQ(items.status(), LoginItems::Status::enabled);
    // Keys of another group do not count.
    write("[Desktop Action x]\nExec=" + program.toUtf8() + "\n");
    EXPECT_EQ(items.status(), LoginItems::Status::notRegistered);

    XdgAutostartLoginItems gone(autostart, root.filePath("missing/Vantle"));
    EXPECT_EQ(gone.status(), LoginItems::Status::notFound);
}

TEST(LoginItemEntry, ReservedCharactersRoundTripThroughExec)
{
    for (const QString &path : {"/opt/a b/Vantle", "/opt/100%/Vantle", "/opt/back\\slash/Vantle",
                                "/opt/\"quoted\" `tick`/Vantle"}) {
        EXPECT_EQ(XdgAutostartLoginItems::programOf(XdgAutostartLoginItems::entry(path)), path)
            << qPrintable(path);
    }
    EXPECT_EQ(XdgAutostartLoginItems::quoteExecArgument("/a%b"), "\"/a%%b\"");
}

TEST_F(LoginItemFixture, FailuresAreLoggedWithTheirReasonAndBuildsAreRefused)
{
    const QString program = makeProgram(root.filePath("opt/Vantle"));
    // The autostart folder cannot be created where a file is in the way.
    QDir().mkpath(root.filePath("config"));
    QFile blocker(autostart);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutostartLoginItems items(autostart, program);
    LoginItemService service(items, log);
    service.registerLoginItem();
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines.at(0).startsWith("Vantle: failed to enable login item: "));

    // An entry that cannot be removed (a folder in its place; this works even as root).
    QFile::remove(autostart);
    QDir().mkpath(items.entryPath() + "/inside");
    EXPECT_FALSE(service.unregisterLoginItem());
    ASSERT_EQ(log.lines.size(), 2);
    EXPECT_TRUE(log.lines.at(1).startsWith("Vantle: failed to disable login item: "));

    // A copy two levels below a folder holding a CMake cache is a build: it is never registered.
    QFile cache(root.filePath("build/CMakeCache.txt"));
    QDir().mkpath(root.filePath("build"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    QDir(items.entryPath()).removeRecursively();
    XdgAutostartLoginItems built(autostart, makeProgram(root.filePath("build/bin/x/Vantle")));
    LoginItemService refusing(built, log);
    refusing.toggle();
    EXPECT_FALSE(QFileInfo::exists(built.entryPath()));
    EXPECT_FALSE(refusing.isEnabled());
    EXPECT_EQ(log.lines.last(), "Vantle: refusing to register a login item from a build folder");
}

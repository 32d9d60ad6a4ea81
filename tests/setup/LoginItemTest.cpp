#include "platform/linux/XdgAutostartLoginItems.h"
#include "setup/LoginItemService.h"

#include "fakes/FakeSystemLog.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A file at `path`, with its folders; a program unless told otherwise.
QString make(const QString &path, const QByteArray &text = "#!/bin/sh\n")
{
    return writeFile(path, text,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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
    const QString program = make(root.filePath("my apps/$kaidro/Vantle"));
    XdgAutostartLoginItems items(autostart, program);
    LoginItemService service(items, log);
    ASSERT_FALSE(LoginItemService::isBuildFolder(program));
    EXPECT_EQ(items.status(), LoginItems::Status::notRegistered);

    service.toggle();
    EXPECT_TRUE(service.isEnabled());
    EXPECT_EQ(readFile(items.entryPath()),
              "[Desktop Entry]\nType=Application\nName=Kaidro\nExec=\""
                  + QString(program).replace("$", "\\\\$").toUtf8()
                  + "\"\nX-GNOME-Autostart-enabled=true\n");
    // Written through a temporary file that was renamed into place: nothing is left beside it.
    EXPECT_EQ(QDir(autostart).entryList(QDir::Files), QStringList{"kaidro.desktop"});
    EXPECT_TRUE(log.lines.isEmpty());

    service.toggle();
    EXPECT_FALSE(QFileInfo::exists(items.entryPath()) || service.isEnabled());
}

TEST_F(LoginItemFixture, AnEntryCountsOnlyWhenItStartsThisProgramNotHiddenWhateverItsPath)
{
    const QString program = make(root.filePath("opt/Vantle"));
    XdgAutostartLoginItems items(autostart, program);
    using S = LoginItems::Status;
    // Unquoted, with an argument, still us; keys of another group do not count.
    const std::pair<QByteArray, S> rows[] = {
        {XdgAutostartLoginItems::entry(program) + "Hidden=true\n", S::notRegistered},
        {XdgAutostartLoginItems::entry(root.filePath("elsewhere/Vantle")), S::notRegistered},
        {"[Desktop Entry]\nType=Application\nExec=" + program.toUtf8() + " --quiet\n", S::enabled},
        {"[Desktop Action x]\nExec=" + program.toUtf8() + "\n", S::notRegistered}};
    for (const auto &[text, status] : rows) {
        make(items.entryPath(), text);
        EXPECT_EQ(items.status(), status) << text.constData();
    }
    EXPECT_EQ(XdgAutostartLoginItems(autostart, root.filePath("missing/Vantle")).status(),
              S::notFound);

    // Reserved characters round-trip through Exec.
    for (const QString &path :
         QStringList{"/opt/a b/$x/Vantle", "/opt/100%/Vantle", "/opt/back\\slash/Vantle",
                     "/opt/\"quoted\" `tick`/Vantle"}) {
        EXPECT_EQ(XdgAutostartLoginItems::programOf(XdgAutostartLoginItems::entry(path)), path)
            << qPrintable(path);
    }
    EXPECT_EQ(XdgAutostartLoginItems::quoteExecArgument("/a%b"), "\"/a%%b\"");
}

TEST_F(LoginItemFixture, FailuresAreLoggedWithTheirReasonAndBuildsAreRefused)
{
    // The autostart folder cannot be created where a file is in the way.
    make(autostart, {});
    XdgAutostartLoginItems items(autostart, make(root.filePath("opt/Vantle")));
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
    make(root.filePath("build/CMakeCache.txt"), {});
    QDir(items.entryPath()).removeRecursively();
    XdgAutostartLoginItems built(autostart, make(root.filePath("build/bin/x/Vantle")));
    LoginItemService refusing(built, log);
    refusing.toggle();
    EXPECT_FALSE(QFileInfo::exists(built.entryPath()) || refusing.isEnabled());
    EXPECT_EQ(log.lines.last(), "Vantle: refusing to register a login item from a build folder");
}

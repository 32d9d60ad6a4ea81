#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryLaunch.h"

#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

TEST(DesktopEntryLaunch, ExpandsFieldCodesAfterQuotingAndRefusesMalformedLines)
{
    DesktopEntryFile entry;
    entry.name = R"(My "App" $(id))";
    entry.iconName = "my-icon";
    entry.filePath = "/apps/my app.desktop";
    const std::pair<const char *, const char *> rows[] = {
        {"app %U %f %F %u", "app"},
        {"app %i %c %k", R"(app|--icon|my-icon|My "App" $(id)|/apps/my app.desktop)"},
        {"app --title=%c --file=%f 100%% %d %D %n %N %v %m %x x%i",
         R"(app|--title=My "App" $(id)|--file=|100%|x)"},
        {R"("/opt/My App/run" "a \"q\" \`b\` \$c \\d" 'single  quoted' "%c")",
         R"(/opt/My App/run|a "q" `b` $c \d|single  quoted|My "App" $(id))"},
        {R"(app "unterminated)", nullptr},
        {"   ", nullptr},
        {"%f %U", nullptr},
    };
    for (const auto &[exec, expected] : rows) {
        entry.exec = exec;
        QString error;
        const std::optional<QStringList> words = DesktopEntryLaunch::arguments(entry, &error);
        EXPECT_EQ(words ? words->join('|') : QString(), expected ? expected : "") << exec;
        EXPECT_EQ(error.isEmpty(), expected != nullptr) << exec << " " << error.toStdString();
    }
}

TEST(DesktopEntryFile, ReadsOnlyInstalledApplicationsAndShowsThemInTheirDesktops)
{
    QTemporaryDir dir;
    const auto write = [&](const QString &relative, const QByteArray &body) {
        return writeFile(dir.filePath(relative), "[Desktop Entry]\nType=Application\n" + body);
    };
    const auto entry = DesktopEntryFile::read(
        write("a/kde/tool.desktop",
              "Exec=\"/bin/sh\" -c x\nIcon=tool.svg\nTerminal=true\nX-GNOME-FullName=Tool Pro\n"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "tool");
    EXPECT_EQ(entry->fullName, "Tool Pro");
    EXPECT_EQ(entry->executable, "sh");
    EXPECT_EQ(entry->iconName, "tool");
    EXPECT_TRUE(entry->terminal);
    EXPECT_EQ(DesktopEntryFile::read(write("x.desktop", "Exec=sh\nIcon=/opt/../usr//i.png\n"))
                  .value_or(DesktopEntryFile())
                  .iconName,
              "/usr/i.png");
    for (const char *refused : {"Exec=kaidro-no-such-program\n", "Exec=sh \"open\n",
                                "Exec=sh\nTryExec=kaidro-no-such-program\n"})
        EXPECT_FALSE(DesktopEntryFile::read(write("r.desktop", refused))) << refused;

    // The first folder holding an id decides; subfolders join the id with dashes.
    write("b/kde-tool.desktop", "Exec=sh\n");
    const QStringList folders{dir.filePath("b"), dir.filePath("a")};
    EXPECT_EQ(DesktopEntryFile::find(folders, "kde-tool.desktop"),
              dir.filePath("b/kde-tool.desktop"));
    EXPECT_EQ(DesktopEntryFile::find({dir.filePath("a")}, "kde-tool"),
              dir.filePath("a/kde/tool.desktop"));
    EXPECT_EQ(DesktopEntryFile::find({dir.filePath("a/kde")}, "../x.desktop"), "");

    const std::pair<const char *, bool> shown[]
        = {{"", true},
           {"OnlyShowIn=GNOME;\n", true},
           {"OnlyShowIn=KDE;\n", false},
           {"NotShowIn=GNOME;\n", false},
           {"NotShowIn=Kaidro;\nOnlyShowIn=GNOME;\n", false},
           {"OnlyShowIn=\n", false}};
    const ScopedEnv desktop("XDG_CURRENT_DESKTOP", "Kaidro:GNOME");
    for (const auto &[keys, expected] : shown) {
        const auto e = DesktopEntryFile::read(write("s.desktop", QByteArray("Exec=sh\n") + keys));
        EXPECT_EQ(e && e->shownIn(), expected) << keys;
    }
}

TEST(DesktopEntryLaunch, StartsInItsOwnSessionInPathThroughATerminalAndFailsWithoutTheProgram)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    // The only terminal on PATH tells its folder, session and words.
    writeFile(dir.filePath("bin/xterm"),
              "#!/bin/sh\necho \"$PWD $(/usr/bin/cut -d' ' -f6 /proc/$$/stat) $*\" > '"
                  + QFile::encodeName(marker) + "'\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const ScopedEnv path("PATH", QFile::encodeName(dir.filePath("bin")));
    DesktopEntryFile entry;
    entry.exec = "top -d %u 1";
    entry.terminal = true;
    entry.workingFolder = dir.path();
    ASSERT_TRUE(DesktopEntryLaunch::start(entry));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !readFile(marker).isEmpty(); }, 5000));
    const QStringList seen = QString::fromUtf8(readFile(marker)).trimmed().split(' ');
    EXPECT_EQ(seen.value(0), dir.path());
    EXPECT_NE(seen.value(1), QString::number(::getsid(0)));
    EXPECT_EQ(seen.mid(2), (QStringList{"-e", "top", "-d", "1"}));

    entry.terminal = false; // "top" is not on this PATH
    EXPECT_FALSE(DesktopEntryLaunch::start(entry));
    entry.exec = dir.filePath("bin/xterm");
    entry.workingFolder = dir.filePath("none");
    EXPECT_FALSE(DesktopEntryLaunch::start(entry));
}

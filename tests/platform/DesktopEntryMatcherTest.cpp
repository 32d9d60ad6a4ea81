#include "platform/linux/DesktopEntryMatcher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <ctime>

#include <sys/time.h>

namespace {

// Two application folders, the first (the user's) hiding entries of the same id in the second.
class DesktopEntryMatcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath(QStringLiteral("user"));
        QDir(m_dir.path()).mkpath(QStringLiteral("system/kde"));
        m_folders
            = {m_dir.filePath(QStringLiteral("user")), m_dir.filePath(QStringLiteral("system"))};
    }

    void write(const QString &relative, const QByteArray &body)
    {
        QFile file(m_dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\n" + body);
    }

    QTemporaryDir m_dir;
    QStringList m_folders;
};

} // namespace

TEST_F(DesktopEntryMatcherTest, GtkApplicationIdNamesTheEntry)
{
    write(QStringLiteral("system/org.example.Notes.desktop"),
          "Name=Notes\nExec=sh\nIcon=accessories-notes\n");
    write(QStringLiteral("system/sh.desktop"), "Name=Shell\nExec=sh\n");
    const DesktopEntryMatcher matcher(m_folders);
    const auto entry = matcher.match("org.example.Notes", "sh", "Sh", QStringLiteral("sh"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, QStringLiteral("org.example.Notes"));
    EXPECT_EQ(entry->name, QStringLiteral("Notes"));
    EXPECT_EQ(entry->iconName, QStringLiteral("accessories-notes"));
    EXPECT_EQ(entry->filePath, m_dir.filePath(QStringLiteral("system/org.example.Notes.desktop")));
}

TEST_F(DesktopEntryMatcherTest, StartupWMClassWinsOverAnIdOfTheSameName)
{
    write(QStringLiteral("system/viewer.desktop"), "Name=Plain Viewer\nExec=sh\n");
    write(QStringLiteral("system/org.example.Photos.desktop"),
          "Name=Photos\nExec=sh\nStartupWMClass=Viewer\n");
    const DesktopEntryMatcher matcher(m_folders);
    const auto entry = matcher.match({}, "viewer", "Viewer", QStringLiteral("python3"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, QStringLiteral("org.example.Photos"));
}

TEST_F(DesktopEntryMatcherTest, ClassMatchesIdsCaseInsensitivelyAndByTheirLastPart)
{
    write(QStringLiteral("system/org.example.Files.desktop"), "Name=Files\nExec=sh\n");
    const DesktopEntryMatcher matcher(m_folders);
    const auto entry = matcher.match({}, "files", "FILES", QStringLiteral("files-bin"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, QStringLiteral("org.example.Files"));
}

TEST_F(DesktopEntryMatcherTest, ExecutableMatchesTheExecLine)
{
    write(QStringLiteral("system/kde/editor.desktop"), "Name=Editor\nExec=/bin/sh %F\n");
    const DesktopEntryMatcher matcher(m_folders);
    const auto entry = matcher.match({}, "unknown", "Unknown", QStringLiteral("sh"));
    ASSERT_TRUE(entry);
    // Entries in subfolders take the folder into their id.
    EXPECT_EQ(entry->id, QStringLiteral("kde-editor"));
}

TEST_F(DesktopEntryMatcherTest, UserFolderHidesTheSystemEntry)
{
    write(QStringLiteral("system/notes.desktop"), "Name=System Notes\nExec=sh\n");
    write(QStringLiteral("user/notes.desktop"), "Name=My Notes\nExec=sh\n");
    write(QStringLiteral("system/gone.desktop"), "Name=Gone\nExec=sh\n");
    write(QStringLiteral("user/gone.desktop"), "Name=Gone\nExec=sh\nHidden=true\n");
    const DesktopEntryMatcher matcher(m_folders);
    const auto notes = matcher.match({}, "notes", {}, {});
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->name, QStringLiteral("My Notes"));
    EXPECT_FALSE(matcher.match({}, "gone", {}, {}));
}

TEST_F(DesktopEntryMatcherTest, NoMatchGivesNothing)
{
    write(QStringLiteral("system/notes.desktop"), "Name=Notes\nExec=sh\n");
    const DesktopEntryMatcher matcher(m_folders);
    EXPECT_FALSE(matcher.match({}, "xeyes", "XEyes", QStringLiteral("xeyes")));
}

TEST_F(DesktopEntryMatcherTest, SeesEntriesInstalledAfterTheFirstLookUp)
{
    const DesktopEntryMatcher matcher(m_folders);
    EXPECT_FALSE(matcher.entry(QStringLiteral("later")));
    // Folder times have a one-second grain on some file systems; a later stamp is forced.
    write(QStringLiteral("user/later.desktop"), "Name=Later\nExec=sh\n");
    const timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(m_folders.first()).constData(), later), 0);
    const auto entry = matcher.entry(QStringLiteral("later.desktop"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, QStringLiteral("Later"));
}

TEST_F(DesktopEntryMatcherTest, LaunchRunsTheEntrysCommand)
{
    const QString marker = m_dir.filePath(QStringLiteral("ran"));
    write(QStringLiteral("user/marker.desktop"),
          "Name=Marker\nExec=sh -c \"echo ok > " + QFile::encodeName(marker) + "\"\n");
    EXPECT_TRUE(DesktopEntryMatcher::launch(m_dir.filePath(QStringLiteral("user/marker.desktop"))));
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i)
        QThread::msleep(25);
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_FALSE(
        DesktopEntryMatcher::launch(m_dir.filePath(QStringLiteral("user/missing.desktop"))));
}

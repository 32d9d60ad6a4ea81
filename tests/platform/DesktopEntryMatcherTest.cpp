#include "platform/linux/DesktopEntryMatcher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        QDir(m_dir.path()).mkpath("user");
        QDir(m_dir.path()).mkpath("system/kde");
        m_folders = {m_dir.filePath("user"), m_dir.filePath("system")};
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

TEST_F(DesktopEntryMatcherTest, MatchesByApplicationIdClassExecutableAndFolderPrecedence)
{
    write("system/org.example.Notes.desktop", "Name=Notes\nExec=sh\nIcon=accessories-notes\n");
    write("system/sh.desktop", "Name=Shell\nExec=sh\n");
    // A StartupWMClass wins over an id of the same name.
    write("system/viewer.desktop", "Name=Plain Viewer\nExec=sh\n");
    write("system/org.example.Photos.desktop", "Name=Photos\nExec=sh\nStartupWMClass=Viewer\n");
    write("system/org.example.Files.desktop", "Name=Files\nExec=sh\n");
    write("system/kde/editor.desktop", "Name=Editor\nExec=/bin/editor %F\n");
    // The user's folder hides the system's entry of the same id.
    write("system/notes.desktop", "Name=System Notes\nExec=sh\n");
    write("user/notes.desktop", "Name=My Notes\nExec=sh\n");
    write("system/gone.desktop", "Name=Gone\nExec=sh\n");
    write("user/gone.desktop", "Name=Gone\nExec=sh\nHidden=true\n");
    const DesktopEntryMatcher matcher(m_folders);

    const auto notes = matcher.match("org.example.Notes", "sh", "Sh", "sh");
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->name + " " + notes->iconName, "Notes accessories-notes");
    EXPECT_EQ(notes->filePath, m_dir.filePath("system/org.example.Notes.desktop"));
    // Classes match ids case-insensitively and by their last part; entries in subfolders take
    // the folder into their id.
    const std::tuple<const char *, const char *, const char *, const char *> rows[]
        = {{"viewer", "Viewer", "python3", "org.example.Photos Photos"},
           {"files", "FILES", "files-bin", "org.example.Files Files"},
           {"unknown", "Unknown", "editor", "kde-editor Editor"},
           {"notes", nullptr, nullptr, "notes My Notes"},
           {"gone", nullptr, nullptr, ""},
           {"xeyes", "XEyes", "xeyes", ""}};
    for (const auto &[instance, klass, executable, expected] : rows) {
        const auto entry = matcher.match({}, instance, klass, executable);
        EXPECT_EQ(entry ? entry->id + " " + entry->name : "", expected) << instance;
    }
}

TEST_F(DesktopEntryMatcherTest, SeesEntriesInstalledAfterTheFirstLookUp)
{
    const DesktopEntryMatcher matcher(m_folders);
    EXPECT_FALSE(matcher.entry("later"));
    // Folder times have a one-second grain on some file systems; a later stamp is forced.
    write("user/later.desktop", "Name=Later\nExec=sh\n");
    const timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(m_folders.first()).constData(), later), 0);
    const auto entry = matcher.entry("later.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Later");
}

TEST_F(DesktopEntryMatcherTest, LaunchRunsTheEntrysCommand)
{
    const QString marker = m_dir.filePath("ran");
    write("user/marker.desktop",
          "Name=Marker\nExec=sh -c \"echo ok > " + QFile::encodeName(marker) + "\"\n");
    EXPECT_TRUE(DesktopEntryMatcher::launch(m_dir.filePath("user/marker.desktop")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
    EXPECT_FALSE(DesktopEntryMatcher::launch(m_dir.filePath("user/missing.desktop")));
}

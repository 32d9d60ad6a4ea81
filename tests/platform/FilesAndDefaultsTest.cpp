#include "platform/AtomicFile.h"
#include "platform/Geometry.h"
#include "platform/linux/DesktopEntryMatcher.h"
#include "platform/linux/JsonUserDefaults.h"
#include "platform/linux/LinuxAppPaths.h"
#include "platform/linux/SoundServer.h"

#include "fakes/FakeSystemLog.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <ctime>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

void writeRaw(const QString &path, const QByteArray &bytes, mode_t mode = 0644)
{
    ::chmod(QFile::encodeName(writeFile(path, bytes)).constData(), mode);
}

} // namespace

TEST(AtomicFile, WritesOwnerOnlyEvenOverAWiderFileReportsFailureAndKeepsEveryBadCopyAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pinned-clips.json");
    ASSERT_TRUE(AtomicFile::write(path, "[]"));
    EXPECT_EQ(modeOf(path), 0600u);
    writeRaw(path, "old", 0644);
    ASSERT_TRUE(AtomicFile::write(path, "[1]"));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(readFile(path), QByteArray("[1]"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // The parent is a file, not a folder: nothing can be written there.
    EXPECT_FALSE(AtomicFile::write(path + "/loadouts.json", "[]"));
    EXPECT_EQ(readFile(path), QByteArray("[1]"));

    // Two bad reads keep two copies, newest first; past five the oldest go.
    writeRaw(path + ".bad", "the user's own");
    for (int i = 1; i <= 7; ++i) {
        writeRaw(path, QByteArray::number(i));
        EXPECT_TRUE(AtomicFile::keepAside(path));
        EXPECT_FALSE(QFileInfo::exists(path));
        const QStringList kept = AtomicFile::keptAside(path);
        EXPECT_EQ(kept.size(), std::min(i, AtomicFile::kKeptAside));
        EXPECT_EQ(readFile(kept.value(0)), QByteArray::number(i));
    }
    EXPECT_EQ(readFile(AtomicFile::keptAside(path).last()), QByteArray("3"));
    EXPECT_EQ(readFile(path + ".bad"), QByteArray("the user's own"));
}

// Only the prefix, case and all, and six ASCII letters or digits are a save's temporary file.
TEST(AtomicFile, TemporaryNamesAreThePrefixAndSixLettersOrDigits)
{
    const QString p = ".x.json.vantle-save.";
    const std::pair<QString, bool> cases[] = {{p + "aZ09bY", true},
                                              {p + "aZ09b", false},
                                              {p + "aZ09bYc", false},
                                              {p + "aZ-9bY", false},
                                              {p + "aZ09b" + QChar(0x0663), false},
                                              {".X.JSON.vantle-save.aZ09bY", false},
                                              {".y.json.vantle-save.aZ09bY", false}};
    for (const auto &[name, temporary] : cases)
        EXPECT_EQ(AtomicFile::isTemporary("/data/x.json", name), temporary) << name.toStdString();
}

TEST(JsonUserDefaults, TypesSurviveARestartWrongTypesReadAsMissingMalformedFilesAreKeptAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Vantle/defaults.json");
    {
        JsonUserDefaults d(path);
        d.setValue("Vantle.menuIdle", 6);
        d.setValue("Vantle.setupSeen", true);
        d.setValue("Vantle.hiddenWidgets", QStringList{"nowPlaying", "fieldHeader"});
        d.setValue("Vantle.layoutOffsets", QVariantMap{{"playerStatus", QVariantList{8.0, -16.5}}});
        d.setValue("Vantle.gone", 1);
        d.remove("Vantle.gone");
    }
    JsonUserDefaults d(path);
    EXPECT_EQ(d.number("Vantle.menuIdle"), 6.0);
    EXPECT_EQ(d.boolean("Vantle.setupSeen"), true);
    EXPECT_EQ(d.stringList("Vantle.hiddenWidgets"), (QStringList{"nowPlaying", "fieldHeader"}));
    const QVariantMap offsets = d.dictionary("Vantle.layoutOffsets").value_or(QVariantMap());
    EXPECT_EQ(offsets.value("playerStatus").toList().value(1).toDouble(), -16.5);
    EXPECT_FALSE(d.value("Vantle.gone").isValid());
    // A value of another type reads as missing.
    EXPECT_FALSE(d.number("Vantle.setupSeen") || d.boolean("Vantle.menuIdle")
                 || d.stringList("Vantle.layoutOffsets"));

    // Two copies (on two displays) saving different keys keep each other's.
    JsonUserDefaults other(path);
    d.setValue("Vantle.menuIdle", 20);
    other.setValue("Vantle.readoutIdle", 60);
    const JsonUserDefaults after(path);
    EXPECT_EQ(std::tuple(after.number("Vantle.menuIdle"), after.number("Vantle.readoutIdle"),
                         after.boolean("Vantle.setupSeen")),
              std::tuple(20.0, 60.0, true));

    // Wrong types read as missing, malformed files are kept aside, writes are owner-only.
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool keptAside;
    } cases[] = {{"hand-edited", R"({"Vantle.menuIdle": "20", "Vantle.readoutIdle": null,
                     "Vantle.hiddenWidgets": ["nowPlaying", 4], "Vantle.setupSeen": 1})",
                  false},
                 {"malformed", "{\"Vantle.menuIdle\": 6,,,", true},
                 {"an array", "[1,2]", true}};
    for (const auto &[name, bytes, keptAside] : cases) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name) + ".json");
        writeRaw(path, bytes, 0644);
        {
            JsonUserDefaults d(path);
            EXPECT_FALSE(d.number("Vantle.menuIdle") || d.number("Vantle.readoutIdle")
                         || d.stringList("Vantle.hiddenWidgets") || d.boolean("Vantle.setupSeen"));
            d.setValue("Vantle.readoutIdle", 30);
            EXPECT_EQ(modeOf(path), 0600u);
        }
        EXPECT_EQ(readFile(AtomicFile::keptAside(path).value(0)), keptAside ? bytes : QByteArray());
        EXPECT_EQ(JsonUserDefaults(path).number("Vantle.readoutIdle"), 30.0);
    }
}

TEST(LinuxAppPaths, DataFolderFollowsXdgIsCreatedOwnerOnlyAndResourcesAreFoundInEitherTree)
{
    QTemporaryDir dir;
    const ScopedEnv data("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    LinuxAppPaths paths("/nonexistent");
    const QString folder = paths.dataFolder();
    EXPECT_EQ(folder, dir.path() + QStringLiteral("/Vantle"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(paths.dataFile("loadouts.json"), folder + QStringLiteral("/loadouts.json"));

    // Folders the user made open to all are closed; a link someone else owns is not followed.
    FakeSystemLog log;
    const LinuxAppPaths logged("/nonexistent", &log);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QDir(folder).mkdir("shortcuts");
    ::chmod(QFile::encodeName(folder + "/shortcuts").constData(), 0775);
    EXPECT_EQ(logged.dataFolder(), folder);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(folder + "/shortcuts"), 0700u);
    if (::geteuid() == 0) {
        QDir(dir.path()).rename("Vantle", "other");
        QFile::link(dir.path() + "/other", folder);
        ASSERT_EQ(::lchown(QFile::encodeName(folder).constData(), 4242, 4242), 0);
        ::chmod(QFile::encodeName(dir.path() + "/other").constData(), 0755);
        EXPECT_EQ(logged.dataFile("loadouts.json"), QString());
        EXPECT_EQ(logged.dataFolder(), QString());
        EXPECT_EQ(modeOf(dir.path() + "/other"), 0755u);
        EXPECT_EQ(
            log.lines,
            QStringList{"Vantle: folder not used: " + folder + " is a link owned by another user"});
    }

    // A relative XDG path is ignored in favour of ~/.local/share.
    qputenv("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(paths.dataFolder(), QDir::homePath() + QStringLiteral("/.local/share/Vantle"));

    // Resources in the build tree and the installed tree.
    QDir root(dir.path());
    for (const char *sub : {"build/resources/sounds", "prefix/bin", "prefix/share/vantle/fonts"})
        root.mkpath(sub);
    EXPECT_EQ(LinuxAppPaths(root.filePath("build")).resourcesFolder(),
              root.filePath("build/resources"));
    EXPECT_EQ(LinuxAppPaths(root.filePath("prefix/bin")).resourcesFolder(),
              root.filePath("prefix/share/vantle"));
    EXPECT_EQ(LinuxAppPaths(root.filePath("elsewhere")).resourcesFolder(), QString());
}

TEST(SoundServer, ReachableThroughTheRuntimeSocketOrANamedServer)
{
    QTemporaryDir dir;
    const ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(dir.path())),
        named("PULSE_SERVER", QByteArray());
    const bool systemWide
        = QFileInfo::exists(QStringLiteral("/run/user/%1/pulse/native").arg(getuid()))
        || QFileInfo::exists(QStringLiteral("/var/run/pulse/native"));
    EXPECT_EQ(SoundServer::reachable(), systemWide);
    QDir(dir.path()).mkpath("pulse");
    QFile socket(dir.filePath("pulse/native"));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    EXPECT_TRUE(SoundServer::reachable());
    socket.remove();
    qputenv("PULSE_SERVER", "tcp:localhost:4713");
    EXPECT_TRUE(SoundServer::reachable());
}

namespace {

// Writes an application's desktop entry at a path under `dir`, `body` after its first lines.
auto applicationEntryWriter(const QTemporaryDir &dir)
{
    return [&dir](const QString &relative, const QByteArray &body) {
        writeFile(dir.filePath(relative), "[Desktop Entry]\nType=Application\n" + body);
    };
}

} // namespace

// Two application folders, the first (the user's) hiding entries of the same id in the second.
TEST(DesktopEntryMatcher, MatchesByIdClassExecutableAndFolderSeesLaterEntriesAndLaunchesThem)
{
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("user"), dir.filePath("system")};
    const auto write = applicationEntryWriter(dir);
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
    const DesktopEntryMatcher matcher(folders);

    const auto notes = matcher.match("org.example.Notes", "sh", "Sh", "sh");
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->name + " " + notes->iconName + " " + notes->filePath,
              "Notes accessories-notes " + dir.filePath("system/org.example.Notes.desktop"));
    // Classes match ids in any case and by their last part; subfolders are part of the id.
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

    // An entry installed after the first look-up is seen, and launches.
    EXPECT_FALSE(matcher.entry("later"));
    const QString marker = dir.filePath("ran");
    write("user/later.desktop",
          "Name=Later\nExec=sh -c \"echo ok > " + QFile::encodeName(marker) + "\"\n");
    // Folder times have a one-second grain on some file systems; a later stamp is forced.
    const timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(folders.first()).constData(), later), 0);
    const auto entry = matcher.entry("later.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Later");
    EXPECT_TRUE(DesktopEntryMatcher::launch(entry->filePath));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
    EXPECT_FALSE(DesktopEntryMatcher::launch(dir.filePath("user/missing.desktop")));
}

// Read ahead on a thread, the entries match as when read on first use, and a folder that changed
// after the reading is read again.
TEST(DesktopEntryMatcher, PreloadedEntriesMatchAndAFolderChangedSinceIsReadAgain)
{
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("user"), dir.filePath("system")};
    const auto write = applicationEntryWriter(dir);
    write("system/org.example.Notes.desktop", "Name=Notes\nExec=sh\n");
    write("user/notes.desktop", "Name=My Notes\nExec=sh\n");
    {
        // Gone while it still reads: waits, no more.
        DesktopEntryMatcher abandoned(folders);
        abandoned.preload();
    }
    DesktopEntryMatcher matcher(folders);
    matcher.preload();
    QThread::msleep(300); // long done reading
    write("user/later.desktop", "Name=Later\nExec=sh\n");
    const timeval later[2] = {{std::time(nullptr) + 5, 0}, {std::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(folders.first()).constData(), later), 0);

    const auto notes = matcher.match("org.example.Notes", {}, {}, {});
    EXPECT_EQ(notes ? notes->name : "", "Notes");
    const auto mine = matcher.match({}, "notes", {}, {});
    EXPECT_EQ(mine ? mine->name : "", "My Notes");
    const auto entry = matcher.entry("later");
    EXPECT_EQ(entry ? entry->name : "", "Later");
    // Asked again once read, it reads nothing more.
    matcher.preload();
    EXPECT_TRUE(matcher.entry("later"));
}

#include "platform/AtomicFile.h"
#include "platform/Geometry.h"
#include "platform/linux/JsonUserDefaults.h"
#include "platform/linux/LinuxAppPaths.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString &path, const QByteArray &bytes, mode_t mode = 0644)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode);
}

} // namespace

TEST(AtomicFile, WritesOwnerOnlyEvenOverAWiderFileReportsFailureAndKeepsBadCopiesAside)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pinned-clips.json");
    ASSERT_TRUE(AtomicFile::write(path, "[]"));
    EXPECT_EQ(modeOf(path), 0600u);
    writeRaw(path, "old", 0644);
    ASSERT_TRUE(AtomicFile::write(path, "[1]"));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(readAll(path), QByteArray("[1]"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // The parent is a file, not a folder: nothing can be written there.
    EXPECT_FALSE(AtomicFile::write(path + "/loadouts.json", "[]"));
    EXPECT_EQ(readAll(path), QByteArray("[1]"));

    writeRaw(path + ".bad", "older");
    EXPECT_TRUE(AtomicFile::keepAside(path));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(readAll(path + ".bad"), QByteArray("[1]"));
}

TEST(JsonUserDefaults, TypesSurviveARestart)
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
    EXPECT_EQ(modeOf(path), 0600u);
    JsonUserDefaults d(path);
    EXPECT_EQ(d.number("Vantle.menuIdle"), 6.0);
    EXPECT_EQ(d.boolean("Vantle.setupSeen"), true);
    EXPECT_EQ(d.stringList("Vantle.hiddenWidgets"), (QStringList{"nowPlaying", "fieldHeader"}));
    const auto offsets = d.dictionary("Vantle.layoutOffsets");
    ASSERT_TRUE(offsets);
    EXPECT_EQ(offsets->value("playerStatus").toList().value(1).toDouble(), -16.5);
    EXPECT_FALSE(d.value("Vantle.gone").isValid());
    // A value of another type reads as missing.
    EXPECT_FALSE(d.number("Vantle.setupSeen"));
    EXPECT_FALSE(d.boolean("Vantle.menuIdle"));
    EXPECT_FALSE(d.stringList("Vantle.layoutOffsets"));
}

TEST(JsonUserDefaults, HandEditedWrongTypesReadAsMissingAndAWideFileBecomesOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.json");
    writeRaw(path, R"({"Vantle.menuIdle": "20", "Vantle.readoutIdle": null,
                       "Vantle.hiddenWidgets": ["nowPlaying", 4], "Vantle.setupSeen": 1})",
             0644);
    JsonUserDefaults d(path);
    EXPECT_FALSE(d.number("Vantle.menuIdle"));
    EXPECT_FALSE(d.number("Vantle.readoutIdle"));
    EXPECT_FALSE(d.stringList("Vantle.hiddenWidgets"));
    EXPECT_FALSE(d.boolean("Vantle.setupSeen"));
    d.setValue("Vantle.menuIdle", 20);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(d.number("Vantle.menuIdle"), 20.0);
}

TEST(JsonUserDefaults, MalformedFileIsKeptAsideNotOverwritten)
{
    QTemporaryDir dir;
    // A JSON array is not a defaults file either.
    for (const QByteArray &bad : {QByteArray("{\"Vantle.menuIdle\": 6,,,"), QByteArray("[1,2]")}) {
        const QString path = dir.filePath(QString::number(bad.size()) + ".json");
        writeRaw(path, bad);
        {
            JsonUserDefaults d(path);
            EXPECT_FALSE(d.number("Vantle.menuIdle"));
            d.setValue("Vantle.readoutIdle", 30);
        }
        EXPECT_EQ(readAll(path + ".bad"), bad);
        EXPECT_EQ(JsonUserDefaults(path).number("Vantle.readoutIdle"), 30.0);
    }
}

TEST(LinuxAppPaths, DataFolderFollowsXdgAndIsCreatedOwnerOnly)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    LinuxAppPaths paths("/nonexistent");
    const QString folder = paths.dataFolder();
    EXPECT_EQ(folder, dir.path() + QStringLiteral("/Vantle"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(paths.dataFile("loadouts.json"), folder + QStringLiteral("/loadouts.json"));

    // A relative XDG path is ignored in favour of ~/.local/share.
    qputenv("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(paths.dataFolder(), QDir::homePath() + QStringLiteral("/.local/share/Vantle"));
    qputenv("XDG_DATA_HOME", saved);
}

TEST(LinuxAppPaths, FindsResourcesInBuildTreeAndInstalledTree)
{
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("build/resources/sounds");
    root.mkpath("prefix/bin");
    root.mkpath("prefix/share/vantle/fonts");
    EXPECT_EQ(LinuxAppPaths(root.filePath("build")).resourcesFolder(),
              root.filePath("build/resources"));
    EXPECT_EQ(LinuxAppPaths(root.filePath("prefix/bin")).resourcesFolder(),
              root.filePath("prefix/share/vantle"));
    EXPECT_EQ(LinuxAppPaths(root.filePath("elsewhere")).resourcesFolder(), QString());
}

TEST(YUpGeometry, FlipIsItsOwnInverseAndKeepsSize)
{
    const QRectF qtRect(100, 20, 300, 80); // 20 below the top of a 900-high primary display
    const QRectF model = YUp::flip(qtRect, 900);
    EXPECT_EQ(model, QRectF(100, 800, 300, 80));
    EXPECT_EQ(YUp::flip(model, 900), qtRect);
    EXPECT_EQ(YUp::flip(QPointF(5, 0), 900), QPointF(5, 900));
    EXPECT_DOUBLE_EQ(YUp::distance({0, 0}, QRectF(3, 4, 10, 10)), 5);
    EXPECT_DOUBLE_EQ(YUp::distance({5, 5}, QRectF(3, 4, 10, 10)), 0);
}

#include "app/AppDelegate.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>

TEST(FontRegistration, RegistersGoodFilesAndSkipsBrokenOnes)
{
    QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("broken.ttf")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a font");
    broken.close();
    EXPECT_EQ(AppDelegate::registerFonts(dir.path()), 0);
    EXPECT_EQ(AppDelegate::registerFonts(QString()), 0);

    const QString fonts = QStringLiteral(KAIDRO_RESOURCES_DIR "/fonts");
    const QStringList files = QDir(fonts).entryList({QStringLiteral("*.ttf")});
    if (files.isEmpty())
        GTEST_SKIP() << "the Exo 2 files were not fetched on this machine";
    EXPECT_EQ(AppDelegate::registerFonts(fonts), files.size());
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Exo 2")));
}

#include "platform/linux/FontFiles.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(FontFiles, LeavesOutWebFontsOnlyBesideAPlainFile)
{
    const struct
    {
        QStringList files;
        QStringList rejected;
    } cases[] = {
        {{"/f/woff/A.woff2", "/f/truetype/A.ttf", "/f/woff/A.woff"},
         {"/f/woff/A.woff2", "/f/woff/A.woff"}},
        {{"/f/A.OTF", "/f/A.WOFF2"}, {"/f/A.WOFF2"}},
        {{"/f/woff/A.woff2", "/f/woff/A.woff"}, {}}, // the web fonts are all there is
        {{"/f/A.ttf", "/f/what?/A.woff2"}, {}}, // a rule cannot name this file alone
    };
    for (const auto &c : cases)
        EXPECT_EQ(compressedDuplicateFontFiles(c.files), c.rejected)
            << c.files.join(' ').toStdString();
}

TEST(FontFiles, TheInstalledSymbolFontIsListedFromItsTrueTypeFile)
{
    const QString ttf
        = "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";
    if (!QFile::exists(ttf)
        || !QFile::exists(
            "/usr/share/fonts/woff/material-design-icons-iconfont/MaterialIcons-Regular.woff2"))
        GTEST_SKIP() << "needs both files of the symbol font";
    preferPlainFontFiles({QStringLiteral("Material Icons")});
    EXPECT_EQ(fontFilesOf(QStringLiteral("Material Icons")), QStringList{ttf});
}

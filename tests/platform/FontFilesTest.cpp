#include "platform/linux/FontFiles.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fontconfig/fontconfig.h>

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
        {{}, {}},
        {{"/f/A.ttf", "/f/what?/A.woff2"}, {}}, // a rule cannot name this file alone
    };
    for (const auto &c : cases)
        EXPECT_EQ(compressedDuplicateFontFiles(c.files), c.rejected)
            << c.files.join(' ').toStdString();
}

TEST(FontFiles, TheInstalledSymbolFontIsListedFromItsTrueTypeFile)
{
    const QString dir = QStringLiteral("/usr/share/fonts/");
    if (!QFile::exists(dir + "truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf")
        || !QFile::exists(dir + "woff/material-design-icons-iconfont/MaterialIcons-Regular.woff2"))
        GTEST_SKIP() << "needs both files of the symbol font";
    preferPlainFontFiles({QStringLiteral("Material Icons")});

    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>("Material Icons"));
    FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet *set = FcFontList(nullptr, pattern, objects);
    QStringList files;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            files.append(QString::fromUtf8(reinterpret_cast<const char *>(file)));
    }
    FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    EXPECT_EQ(
        files,
        QStringList{dir + "truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"});
}

#include "platform/linux/FontFiles.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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

    // Remembered from one start to the next: written when missing, then used as it stands, and
    // written again when it no longer tells the installed fonts.
    QTemporaryDir cache;
    const QString remembered = cache.filePath("Vantle/plain-fonts");
    const auto contents = [&remembered] {
        QFile file(remembered);
        QStringList lines = file.open(QIODevice::ReadOnly)
            ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
            : QStringList();
        lines.sort();
        return lines;
    };
    const QString web
        = "/usr/share/fonts/woff/material-design-icons-iconfont/MaterialIcons-Regular";
    const QStringList webFiles{web + ".woff", web + ".woff2"};
    const QByteArray stale[]
        = {{}, {}, (web + ".woff2\n").toUtf8(), "/f/gone.woff2\n", {"garbage\n\0\xff", 11}};
    for (const QByteArray &before : stale) {
        if (!before.isEmpty())
            writeFile(remembered, before);
        preferPlainFontFiles({QStringLiteral("Material Icons")}, remembered);
        EXPECT_EQ(fontFilesOf(QStringLiteral("Material Icons")), QStringList{ttf})
            << before.toStdString();
        EXPECT_EQ(contents(), webFiles);
    }
}

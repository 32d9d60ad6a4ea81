#include "platform/linux/FontFiles.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

namespace {

bool isWebFont(const QString &file)
{
    return file.endsWith(QLatin1String(".woff"), Qt::CaseInsensitive)
        || file.endsWith(QLatin1String(".woff2"), Qt::CaseInsensitive);
}

bool isPlainFont(const QString &file)
{
    return file.endsWith(QLatin1String(".ttf"), Qt::CaseInsensitive)
        || file.endsWith(QLatin1String(".otf"), Qt::CaseInsensitive);
}

QStringList filesOf(FcConfig *config, const QString &family)
{
    const QByteArray name = family.toUtf8();
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet *set = FcFontList(config, pattern, objects);
    QStringList files;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcChar8 *file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            files.append(QString::fromUtf8(reinterpret_cast<const char *>(file)));
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return files;
}

} // namespace

QStringList fontFilesOf(const QString &family)
{
    return filesOf(nullptr, family);
}

QStringList compressedDuplicateFontFiles(const QStringList &files)
{
    QStringList rejected;
    if (!std::any_of(files.begin(), files.end(), isPlainFont))
        return rejected;
    for (const QString &file : files) {
        // A rule names a file by a glob that has no escape: a name with a wildcard stays in.
        if (isWebFont(file) && !file.contains(QLatin1Char('*')) && !file.contains(QLatin1Char('?')))
            rejected.append(file);
    }
    return rejected;
}

void preferPlainFontFiles(const QStringList &families)
{
    FcConfig *installed = FcInitLoadConfigAndFonts();
    if (!installed)
        return;
    QStringList rejected;
    for (const QString &family : families)
        rejected += compressedDuplicateFontFiles(filesOf(installed, family));
    if (rejected.isEmpty()) {
        // The toolkit would load the same configuration again: it takes this one.
        FcConfigSetCurrent(installed);
        FcConfigDestroy(installed);
        return;
    }

    QByteArray rule
        = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">"
          "<fontconfig><selectfont><rejectfont>";
    for (const QString &file : rejected)
        rule += "<glob>" + file.toHtmlEscaped().toUtf8() + "</glob>";
    rule += "</rejectfont></selectfont></fontconfig>";

    // The rule goes into the configuration already read, whose font list is then built again
    // from the caches: the configuration files are not parsed a second time.
    if (FcConfigParseAndLoadFromMemory(
            installed, reinterpret_cast<const FcChar8 *>(rule.constData()), FcFalse))
        FcConfigBuildFonts(installed);
    FcConfigSetCurrent(installed);
    FcConfigDestroy(installed);
}

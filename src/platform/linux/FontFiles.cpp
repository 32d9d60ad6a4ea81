#include "platform/linux/FontFiles.h"

#include "platform/linux/BoundedRead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fontconfig/fontconfig.h>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kRememberedLimit = 16 * 1024;

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

namespace {

// A rule leaving out `files`, taken into `config`, whose font list is then to be built.
bool reject(FcConfig *config, const QStringList &files)
{
    QByteArray rule
        = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">"
          "<fontconfig><selectfont><rejectfont>";
    for (const QString &file : files)
        rule += "<glob>" + file.toHtmlEscaped().toUtf8() + "</glob>";
    rule += "</rejectfont></selectfont></fontconfig>";
    return FcConfigParseAndLoadFromMemory(
        config, reinterpret_cast<const FcChar8 *>(rule.constData()), FcFalse);
}

// The remembered file is read and written with plain system calls: this may run on a thread
// of its own before the application object exists, where no Qt object may be made.
QStringList readRemembered(const QString &path)
{
    const QByteArray text = path.isEmpty()
        ? QByteArray()
        : readSmallFile(path, kRememberedLimit).value_or(QByteArray());
    QStringList files;
    for (const QByteArray &line : text.split('\n')) {
        const QString name = QString::fromUtf8(line);
        // Only what this code writes: web fonts by absolute path that a glob can name.
        if (name.startsWith(QLatin1Char('/')) && isWebFont(name) && !name.contains(QLatin1Char('*'))
            && !name.contains(QLatin1Char('?')))
            files << name;
    }
    return files;
}

void remember(const QString &path, const QStringList &files, const QStringList &before)
{
    if (path.isEmpty() || files == before)
        return;
    const QByteArray name = QFile::encodeName(path);
    if (files.isEmpty()) {
        ::unlink(name.constData());
        return;
    }
    QDir().mkpath(QFileInfo(path).path());
    // Written beside and renamed over: a start that reads it meanwhile sees all or nothing.
    const QByteArray partial = name + ".new";
    const int fd = ::open(partial.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QByteArray text = files.join(QLatin1Char('\n')).toUtf8() + '\n';
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (::close(fd) == 0 && written)
        ::rename(partial.constData(), name.constData());
    else
        ::unlink(partial.constData());
}

} // namespace

void preferPlainFontFiles(const QStringList &families, const QString &remembered)
{
    const QStringList before = readRemembered(remembered);
    if (!before.isEmpty()) {
        // Last run's files left out from the start. It holds while every family is still there
        // and has no web font beside a plain one left in: otherwise the fonts changed.
        FcConfig *config = FcInitLoadConfig();
        bool holds = config && reject(config, before) && FcConfigBuildFonts(config);
        for (const QString &family : families) {
            const QStringList files = holds ? filesOf(config, family) : QStringList();
            holds = holds && !files.isEmpty() && compressedDuplicateFontFiles(files).isEmpty();
        }
        if (holds) {
            FcConfigSetCurrent(config);
            FcConfigDestroy(config);
            return;
        }
        if (config)
            FcConfigDestroy(config);
    }

    FcConfig *installed = FcInitLoadConfigAndFonts();
    if (!installed)
        return;
    QStringList rejected;
    for (const QString &family : families)
        rejected += compressedDuplicateFontFiles(filesOf(installed, family));
    remember(remembered, rejected, before);
    if (rejected.isEmpty()) {
        // The toolkit would load the same configuration again: it takes this one.
        FcConfigSetCurrent(installed);
        FcConfigDestroy(installed);
        return;
    }
    // The rule goes into the configuration already read, whose font list is then built again
    // from the caches: the configuration files are not parsed a second time.
    if (reject(installed, rejected))
        FcConfigBuildFonts(installed);
    FcConfigSetCurrent(installed);
    FcConfigDestroy(installed);
}

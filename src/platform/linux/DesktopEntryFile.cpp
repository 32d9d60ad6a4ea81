#include "platform/linux/DesktopEntryFile.h"

#include "platform/linux/KeyFileReader.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kGroup = QStringLiteral("Desktop Entry");
const QString kSuffix = QStringLiteral(".desktop");

bool installed(const QString &program)
{
    return !KeyFileReader::findProgram(program).isEmpty();
}

// A theme name or an absolute path. Entries often name a theme icon with its file's suffix,
// which no theme look-up finds.
QString iconFrom(const QString &icon)
{
    if (QDir::isAbsolutePath(icon))
        return QDir::cleanPath(icon);
    for (const char *suffix : {".png", ".xpm", ".svg"}) {
        if (icon.endsWith(QLatin1String(suffix)))
            return icon.chopped(4);
    }
    return icon;
}

// The file standing for `rest` below `folder`: "a-b-c" is "a-b-c.desktop", "a/b-c.desktop",
// "a-b/c.desktop" or "a/b/c.desktop", tried in that order.
QString findBelow(const QString &folder, const QString &rest)
{
    const QString file = folder + QLatin1Char('/') + rest + kSuffix;
    if (QFileInfo(file).isFile())
        return file;
    for (qsizetype dash = rest.indexOf(QLatin1Char('-')); dash > 0;
         dash = rest.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString sub = folder + QLatin1Char('/') + rest.left(dash);
        if (!QFileInfo(sub).isDir())
            continue;
        const QString found = findBelow(sub, rest.mid(dash + 1));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

std::optional<DesktopEntryFile> DesktopEntryFile::read(const QString &path)
{
    const std::optional<KeyFileReader> file = KeyFileReader::load(path);
    if (!file || file->startGroup() != kGroup
        || file->string(kGroup, u"Type").value_or(QString()) != QLatin1String("Application"))
        return std::nullopt;
    const auto string
        = [&file](QStringView key) { return file->string(kGroup, key).value_or(QString()); };
    const auto localeString
        = [&file](QStringView key) { return file->localeString(kGroup, key).value_or(QString()); };
    const auto boolean
        = [&file](QStringView key) { return file->boolean(kGroup, key).value_or(false); };
    const QString tryExec = string(u"TryExec");
    if (!tryExec.isEmpty() && !installed(tryExec))
        return std::nullopt;

    DesktopEntryFile entry;
    entry.exec = string(u"Exec");
    if (!entry.exec.isEmpty()) {
        const std::optional<QString> program = KeyFileReader::firstShellWord(entry.exec);
        if (!program || !installed(*program))
            return std::nullopt;
        entry.executable = QFileInfo(*program).fileName();
    }
    const QFileInfo info(path);
    entry.filePath = info.absoluteFilePath();
    entry.name = localeString(u"Name");
    if (entry.name.isEmpty())
        entry.name = info.fileName().endsWith(kSuffix) ? info.fileName().chopped(kSuffix.size())
                                                       : info.fileName();
    entry.fullName = localeString(u"X-GNOME-FullName");
    if (entry.fullName.isEmpty())
        entry.fullName = entry.name;
    entry.iconName = iconFrom(localeString(u"Icon"));
    entry.workingFolder = string(u"Path");
    entry.startupWMClass = string(u"StartupWMClass");
    entry.categories = string(u"Categories");
    entry.onlyShowIn = file->stringList(kGroup, u"OnlyShowIn");
    entry.notShowIn = file->stringList(kGroup, u"NotShowIn").value_or(QStringList());
    entry.hidden = boolean(u"Hidden");
    entry.noDisplay = boolean(u"NoDisplay");
    entry.terminal = boolean(u"Terminal");
    return entry;
}

QString DesktopEntryFile::find(const QStringList &folders, const QString &desktopId)
{
    const QString id = desktopId.endsWith(kSuffix) ? desktopId.chopped(kSuffix.size()) : desktopId;
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    for (const QString &folder : folders) {
        const QString found = findBelow(folder, id);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QStringList DesktopEntryFile::currentDesktops()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

bool DesktopEntryFile::shownIn(const QStringList &desktops) const
{
    for (const QString &desktop : desktops) {
        if (onlyShowIn && onlyShowIn->contains(desktop))
            return true;
        if (notShowIn.contains(desktop))
            return false;
    }
    return !onlyShowIn;
}

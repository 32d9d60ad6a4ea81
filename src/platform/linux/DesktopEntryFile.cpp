#include "platform/linux/DesktopEntryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <glib.h>

#include <memory>

namespace {

constexpr const char *kGroup = "Desktop Entry";
const QString kSuffix = QStringLiteral(".desktop");

struct KeyFileFree
{
    void operator()(GKeyFile *file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

QString takeString(gchar *text)
{
    const QString out = text ? QString::fromUtf8(text) : QString();
    g_free(text);
    return out;
}

QString string(GKeyFile *file, const char *key)
{
    return takeString(g_key_file_get_string(file, kGroup, key, nullptr));
}

QString localeString(GKeyFile *file, const char *key)
{
    return takeString(g_key_file_get_locale_string(file, kGroup, key, nullptr, nullptr));
}

bool boolean(GKeyFile *file, const char *key)
{
    return g_key_file_get_boolean(file, kGroup, key, nullptr) != FALSE;
}

std::optional<QStringList> stringList(GKeyFile *file, const char *key)
{
    gchar **list = g_key_file_get_string_list(file, kGroup, key, nullptr, nullptr);
    if (!list)
        return std::nullopt;
    QStringList out;
    for (gchar **item = list; *item; ++item)
        out << QString::fromUtf8(*item);
    g_strfreev(list);
    return out;
}

bool installed(const QString &program)
{
    gchar *found = g_find_program_in_path(QFile::encodeName(program).constData());
    g_free(found);
    return found != nullptr;
}

// Exec's first word once its quoting is undone; nothing when the line cannot be split.
std::optional<QString> programOf(const QString &exec)
{
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(exec.toUtf8().constData(), nullptr, &argv, nullptr))
        return std::nullopt;
    const QString program = QString::fromUtf8(argv[0]);
    g_strfreev(argv);
    return program;
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
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), QFile::encodeName(path).constData(), G_KEY_FILE_NONE,
                                   nullptr))
        return std::nullopt;
    if (takeString(g_key_file_get_start_group(file.get())) != QLatin1String(kGroup)
        || string(file.get(), "Type") != QLatin1String("Application"))
        return std::nullopt;
    const QString tryExec = string(file.get(), "TryExec");
    if (!tryExec.isEmpty() && !installed(tryExec))
        return std::nullopt;

    DesktopEntryFile entry;
    entry.exec = string(file.get(), "Exec");
    if (!entry.exec.isEmpty()) {
        const std::optional<QString> program = programOf(entry.exec);
        if (!program || !installed(*program))
            return std::nullopt;
        entry.executable = QFileInfo(*program).fileName();
    }
    const QFileInfo info(path);
    entry.filePath = info.absoluteFilePath();
    entry.name = localeString(file.get(), "Name");
    if (entry.name.isEmpty())
        entry.name = info.fileName().endsWith(kSuffix) ? info.fileName().chopped(kSuffix.size())
                                                       : info.fileName();
    entry.fullName = localeString(file.get(), "X-GNOME-FullName");
    if (entry.fullName.isEmpty())
        entry.fullName = entry.name;
    entry.iconName = iconFrom(localeString(file.get(), "Icon"));
    entry.workingFolder = string(file.get(), "Path");
    entry.startupWMClass = string(file.get(), "StartupWMClass");
    entry.categories = string(file.get(), "Categories");
    entry.onlyShowIn = stringList(file.get(), "OnlyShowIn");
    entry.notShowIn = stringList(file.get(), "NotShowIn").value_or(QStringList());
    entry.hidden = boolean(file.get(), "Hidden");
    entry.noDisplay = boolean(file.get(), "NoDisplay");
    entry.terminal = boolean(file.get(), "Terminal");
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

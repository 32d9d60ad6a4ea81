#include "platform/linux/XdgApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <optional>

// GIO's D-Bus structs carry a member named `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace {

const QString kSuffix = QStringLiteral(".desktop");

struct Candidate
{
    QString id;
    QString path;
};

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString iconOf(GAppInfo *info)
{
    GIcon *icon = g_app_info_get_icon(info);
    if (!icon)
        return {};
    gchar *text = g_icon_to_string(icon);
    const QString out = fromUtf8(text);
    g_free(text);
    return out;
}

QStringList desktopFiles(const QDir &dir)
{
    return dir.entryList({QStringLiteral("*") + kSuffix},
                         QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::Name);
}

// The files of one application folder with their ids: the top level first, then each
// subfolder's, both by name. Deeper folders are not read.
QList<Candidate> candidates(const QString &folder)
{
    QList<Candidate> out;
    const QDir root(folder);
    if (!root.exists())
        return out;
    for (const QString &file : desktopFiles(root))
        out.append({file.chopped(kSuffix.size()), root.filePath(file)});
    const QStringList subfolders
        = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString &sub : subfolders) {
        const QDir dir(root.filePath(sub));
        for (const QString &file : desktopFiles(dir))
            out.append({sub + QLatin1Char('-') + file.chopped(kSuffix.size()), dir.filePath(file)});
    }
    return out;
}

std::optional<InstalledApp> read(const Candidate &candidate)
{
    // GIO refuses files that are no Type=Application entry and those whose TryExec program is
    // missing.
    GDesktopAppInfo *info
        = g_desktop_app_info_new_from_filename(QFile::encodeName(candidate.path).constData());
    if (!info)
        return std::nullopt;
    std::optional<InstalledApp> out;
    if (!g_desktop_app_info_get_is_hidden(info) && !g_desktop_app_info_get_nodisplay(info)
        && g_desktop_app_info_get_show_in(info, nullptr)) {
        InstalledApp app;
        app.id = candidate.id;
        app.name = fromUtf8(g_app_info_get_name(G_APP_INFO(info)));
        app.desktopFile = QFileInfo(candidate.path).absoluteFilePath();
        app.iconName = iconOf(G_APP_INFO(info));
        out = app;
    }
    g_object_unref(info);
    return out;
}

} // namespace

namespace XdgApplications {

QList<InstalledApp> scan(const QStringList &folders)
{
    QList<InstalledApp> out;
    QSet<QString> taken;
    for (const QString &folder : folders) {
        for (const Candidate &candidate : candidates(folder)) {
            if (taken.contains(candidate.id))
                continue;
            taken.insert(candidate.id);
            if (std::optional<InstalledApp> app = read(candidate))
                out.append(std::move(*app));
        }
    }
    return out;
}

QString iconName(const QString &desktopFile)
{
    GDesktopAppInfo *info
        = g_desktop_app_info_new_from_filename(QFile::encodeName(desktopFile).constData());
    if (!info)
        return {};
    const QString out = iconOf(G_APP_INFO(info));
    g_object_unref(info);
    return out;
}

} // namespace XdgApplications

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// An application's desktop entry as its file says it: what names it, shows it and starts it.
// It is read as GLib reads key files (KeyFileReader), so escapes and localized keys (Name[de])
// come out as every desktop reads them.
class DesktopEntryFile final
{
public:
    // The entry of a file, or nothing when the file cannot be read, is no Type=Application
    // entry, its TryExec program is not installed, its Exec cannot be split into words or
    // Exec's program is not installed.
    static std::optional<DesktopEntryFile> read(const QString &path);

    // The file of a desktop id ("kde-okular" or "kde-okular.desktop") in the first application
    // folder holding it, "kde/okular.desktop" standing for "kde-okular"; empty when none does.
    static QString find(const QStringList &folders, const QString &desktopId);

    // The desktops named by XDG_CURRENT_DESKTOP, in order.
    static QStringList currentDesktops();

    // Whether OnlyShowIn / NotShowIn let the entry show in the first of these desktops that
    // either names; with neither naming one, only entries without OnlyShowIn show.
    bool shownIn(const QStringList &desktops = currentDesktops()) const;

    QString filePath; // absolute
    QString name; // the localized Name; the file's name without ".desktop" when it has none
    QString fullName; // X-GNOME-FullName where present, else name
    QString iconName; // a theme name ("foo.png" read as "foo") or a cleaned absolute path
    QString exec; // the Exec line with its field codes; empty when the entry has none
    QString executable; // the file name of Exec's program ("firefox" of "/usr/bin/firefox %u")
    QString workingFolder; // Path
    QString startupWMClass;
    QString categories; // as written: "Network;Chat;"
    std::optional<QStringList> onlyShowIn; // absent when the entry has no such key
    QStringList notShowIn;
    bool hidden = false;
    bool noDisplay = false;
    bool terminal = false;
};

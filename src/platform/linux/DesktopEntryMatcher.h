#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <future>
#include <optional>

// The parts of a desktop entry that name and draw an application.
struct DesktopEntry
{
    QString id; // "firefox", "org.gnome.Terminal"
    QString name; // the localized Name
    QString filePath; // absolute path of the .desktop file
    QString iconName; // a theme name or an absolute path; empty when none
};

// Finds the desktop entry of a running program from what its windows and process tell. The
// application folders are given explicitly (the XDG ones by default), read on first use and
// again whenever one of them changes.
class DesktopEntryMatcher final
{
public:
    explicit DesktopEntryMatcher(QStringList applicationFolders = defaultFolders());
    // Waits for a read that preload() started.
    ~DesktopEntryMatcher();

    // Starts reading the folders on a thread of its own, so that the first match, asked for
    // while the program starts, finds the entries read. Later reads happen on first use as ever.
    void preload();

    // $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications, as the environment
    // says now.
    static QStringList defaultFolders();

    // Tries the GTK application id, then the WM_CLASS instance and class (against
    // StartupWMClass, then entry ids), then the executable's name (against entry ids, then the
    // entries' Exec).
    std::optional<DesktopEntry> match(const QByteArray &gtkApplicationId,
                                      const QByteArray &instanceName, const QByteArray &className,
                                      const QString &executable) const;
    // The entry of a desktop id (with or without ".desktop") or of a .desktop file path.
    std::optional<DesktopEntry> entry(const QString &idOrPath) const;

    // Starts the application of a desktop file; false when the file is no launchable entry.
    static bool launch(const QString &desktopFile);

private:
    struct Record
    {
        DesktopEntry entry;
        QString startupWMClass;
        QString executable; // basename of Exec's program
    };

    // What the folders held, with their modification times from before the reading.
    struct Reading
    {
        QList<QDateTime> stamps;
        QList<Record> records;
    };
    static QList<QDateTime> stampsOf(const QStringList &folders);
    static Reading read(const QStringList &folders, QList<QDateTime> stamps);

    void refresh() const;
    std::optional<DesktopEntry> find(const QByteArray &gtkApplicationId,
                                     const QByteArray &instanceName, const QByteArray &className,
                                     const QString &executable) const;

    QStringList m_folders;
    mutable QList<QDateTime> m_stamps;
    mutable bool m_loaded = false;
    mutable QList<Record> m_records;
    mutable QHash<QString, std::optional<DesktopEntry>> m_cache;
    mutable std::future<Reading> m_preload;
};

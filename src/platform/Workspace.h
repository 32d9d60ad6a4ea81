#pragma once

#include <QDateTime>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

#include <sys/types.h>

// One running application: the X11 clients of one process.
struct RunningApp
{
    pid_t pid = 0;
    QString name; // the desktop entry's localized name, else the process name; may be empty
    QString appId; // the desktop-entry id ("firefox", "org.gnome.Terminal"); empty when unknown
    QString desktopFile; // absolute path of the matched desktop entry; empty when unknown
    QString iconName; // the entry's Icon value (a theme name or a path); empty when none
    QString executable; // the executable's file name ("gnome-shell"); empty when unknown
    bool otherUser = false; // runs as another user than this program (root, a system account)
    bool regular = false; // owns a normal or dialog window that is not skip-taskbar
    std::optional<QDateTime> launchDate;
};

// One installed application: a desktop entry that is shown in application menus.
struct InstalledApp
{
    QString id; // the desktop-entry id ("firefox", "kde-okular" for kde/okular.desktop)
    QString name; // the localized Name
    QString desktopFile; // absolute path of the .desktop file
    QString iconName; // a theme name or a path; empty when none
};

// The desktop's running applications and the means to open and activate them.
class Workspace : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Workspace() override = default;

    virtual QList<RunningApp> runningApplications() const = 0;
    virtual std::optional<RunningApp> frontmostApplication() const = 0;
    // The frontmost application's process; 0 when none. A workspace that follows activations
    // itself answers from what it last heard, without listing every application.
    virtual pid_t frontmostPid() const
    {
        const std::optional<RunningApp> front = frontmostApplication();
        return front ? front->pid : 0;
    }
    virtual std::optional<RunningApp> application(pid_t pid) const = 0;
    // Raises and focuses the application's topmost window; false when it has none.
    virtual bool activate(pid_t pid) = 0;
    // Launches (or brings forward) the application of a desktop-entry id or desktop file path.
    virtual bool openApplication(const QString &appIdOrDesktopFile) = 0;
    virtual QIcon icon(const RunningApp &app) const = 0;
    // The icon of an installed application's desktop file; null when it has none.
    virtual QIcon applicationIcon(const QString &desktopFile) const = 0;
    // Opens a web address with the default browser, or a file or folder with its default app.
    virtual bool openURL(const QUrl &url) = 0;

    // Every installed application, one per desktop id, unsorted. Reads the application
    // folders afresh; safe to call from a worker thread (it touches no state of this object).
    virtual QList<InstalledApp> installedApplications() const = 0;

signals:
    void launched(pid_t pid);
    void terminated(pid_t pid);
    void activated(pid_t pid);
};

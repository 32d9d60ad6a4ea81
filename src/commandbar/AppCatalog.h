#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class Clock;
class Workspace;
struct InstalledApp;

// One launchable application as the command bar lists it.
struct AppCatalogEntry
{
    QString name; // the entry's localized Name
    QUrl url; // file URL of the desktop file; its path is the entry's identity
    QString id; // the desktop-entry id

    bool operator==(const AppCatalogEntry &) const = default;
};

// The installed applications the command bar searches, read on the thread pool when the bar
// asks and at most every 120 seconds. Nothing is kept across runs.
class AppCatalog final : public QObject
{
    Q_OBJECT
public:
    using Entry = AppCatalogEntry;

    // Seconds after a scan started before the next request scans again.
    static constexpr double rescanInterval = 120.0;

    AppCatalog(Workspace &workspace, Clock &clock, QObject *parent = nullptr);

    // Sorted by name (localized, case-insensitive), one entry per desktop file.
    const QList<Entry> &apps() const { return m_apps; }

    // Starts a scan unless one started within the last 120 seconds; returns at once. The list
    // is replaced, and `changed` emitted, when the scan comes back.
    void refreshIfStale();

    // What a scan makes of the workspace's answer: sorted, without repeated paths.
    static QList<Entry> catalogue(const QList<InstalledApp> &installed);

signals:
    void changed();

private:
    void take(QList<Entry> apps);

    Workspace &m_workspace;
    Clock &m_clock;
    QList<Entry> m_apps;
    std::optional<double> m_loadedAt; // uptime of the last scan's start; none before the first
};

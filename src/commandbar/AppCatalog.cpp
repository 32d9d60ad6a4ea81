#include "commandbar/AppCatalog.h"

#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QCollator>
#include <QSet>
#include <QThreadPool>

#include <algorithm>

AppCatalog::AppCatalog(Workspace &workspace, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_clock(clock)
{ }

QList<AppCatalog::Entry> AppCatalog::catalogue(const QList<InstalledApp> &installed)
{
    QList<Entry> out;
    out.reserve(installed.size());
    QSet<QString> paths;
    for (const InstalledApp &app : installed) {
        if (app.desktopFile.isEmpty() || paths.contains(app.desktopFile))
            continue;
        paths.insert(app.desktopFile);
        out.append({app.name, QUrl::fromLocalFile(app.desktopFile), app.id});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(out.begin(), out.end(), [&collator](const Entry &a, const Entry &b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return out;
}

void AppCatalog::refreshIfStale()
{
    const double now = m_clock.uptime();
    if (m_loadedAt && now - *m_loadedAt <= rescanInterval)
        return;
    // Set before the scan starts, so requests while it runs are refused too.
    m_loadedAt = now;
    Workspace *workspace = &m_workspace;
    OffThread::run(
        *QThreadPool::globalInstance(), this,
        [workspace] { return catalogue(workspace->installedApplications()); },
        [this](QList<Entry> apps) { take(std::move(apps)); });
}

void AppCatalog::take(QList<Entry> apps)
{
    qCDebug(lcCommandBar) << "application catalogue scanned:" << apps.size() << "entries";
    m_apps = std::move(apps);
    emit changed();
}

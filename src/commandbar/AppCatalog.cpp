#include "commandbar/AppCatalog.h"

#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QCollator>
#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

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
    const QPointer<AppCatalog> guard(this);
    Workspace *workspace = &m_workspace;
    // The answer goes back through the application object, which outlives every catalogue;
    // the guard is read there, on the main thread.
    (void)QtConcurrent::run([guard, workspace] {
        QList<Entry> apps = catalogue(workspace->installedApplications());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, apps = std::move(apps)]() mutable {
                if (guard)
                    guard->take(std::move(apps));
            },
            Qt::QueuedConnection);
    });
}

void AppCatalog::take(QList<Entry> apps)
{
    m_apps = std::move(apps);
    emit changed();
}

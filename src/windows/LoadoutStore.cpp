#include "windows/LoadoutStore.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Logging.h"

#include <QFile>

LoadoutStore::LoadoutStore(const AppPaths &paths)
    : m_paths(paths)
{ }

QString LoadoutStore::path() const
{
    return m_paths.dataFile(QString::fromLatin1(fileName));
}

QList<Loadout> LoadoutStore::load()
{
    m_keepAside = false;
    QFile file(path());
    if (!file.exists())
        return {};
    if (file.open(QIODevice::ReadOnly)) {
        if (const auto loadouts = Loadout::decode(file.readAll())) {
            qCDebug(lcWindows) << "read" << loadouts->size() << "loadouts from" << path();
            return *loadouts;
        }
    }
    qCDebug(lcWindows) << path() << "cannot be read; it is kept aside at the next save";
    m_keepAside = true;
    return {};
}

bool LoadoutStore::save(const QList<Loadout> &loadouts)
{
    const QString target = path();
    if (m_keepAside) {
        // Rather lose this save than the user's unreadable file.
        if (!AtomicFile::keepAside(target) && QFile::exists(target))
            return false;
        // Only once: from now on the file in place is one we wrote.
        m_keepAside = false;
    }
    const bool written = AtomicFile::write(target, Loadout::encode(loadouts));
    qCDebug(lcWindows) << (written ? "wrote" : "could not write") << loadouts.size()
                       << "loadouts to" << target;
    return written;
}

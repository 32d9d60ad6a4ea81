#pragma once

#include "windows/Loadout.h"

#include <QList>
#include <QString>

class AppPaths;

// The loadouts file, "loadouts.json" in the data folder. A file that cannot be read or decoded
// loads as an empty list and stays where it is; the next save first moves it aside as
// "loadouts.json.<UTC time>.bad" (the newest five kept), so what the user had is never silently
// replaced.
class LoadoutStore final
{
public:
    static constexpr const char *fileName = "loadouts.json";

    explicit LoadoutStore(const AppPaths &paths);

    // The path; asking creates the data folder.
    QString path() const;

    QList<Loadout> load();
    // Writes the whole list atomically, owner-only; false when it could not.
    bool save(const QList<Loadout> &loadouts);

    // Whether the last load found a file it could not use (and the next save keeps it aside).
    bool foundUnreadable() const { return m_keepAside; }

private:
    const AppPaths &m_paths;
    bool m_keepAside = false;
};

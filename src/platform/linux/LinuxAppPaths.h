#pragma once

#include "platform/AppPaths.h"

#include <QMutex>
#include <QSet>

class SystemLog;

// The data folder is `$XDG_DATA_HOME/Vantle` (else `~/.local/share/Vantle`). Resources are found
// from the executable's folder: `resources/` beside it in the build tree, `../share/vantle` when
// installed. The data folder and its `shortcuts/` are kept owner-only (see `ownFolder`); when
// the data folder is refused, `dataFolder()` is empty and nothing is read or saved there.
class LinuxAppPaths final : public AppPaths
{
public:
    explicit LinuxAppPaths(const QString &executableFolder, SystemLog *log = nullptr);

    QString dataFolder() const override;
    QString resourcesFolder() const override;

    static QString dataHome();
    static QString configHome();
    static QString cacheHome();

    // Makes `folder` one of the program's own, creating it (and its parents) when missing: a
    // folder of the user's that is open to others is made owner-only (0700). A symbolic link in
    // its place that someone else owns is not followed: false, and why in `refusal`.
    static bool ownFolder(const QString &folder, QString *refusal = nullptr);

private:
    QString m_executableFolder;
    SystemLog *m_log;
    mutable QMutex m_mutex;
    mutable QSet<QString> m_refused; // told to the log
};

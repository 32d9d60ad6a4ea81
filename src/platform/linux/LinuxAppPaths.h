#pragma once

#include "platform/AppPaths.h"

// The data folder is `$XDG_DATA_HOME/Vantle` (else `~/.local/share/Vantle`). Resources are found
// from the executable's folder: `resources/` beside it in the build tree, `../share/vantle` when
// installed.
class LinuxAppPaths final : public AppPaths
{
public:
    explicit LinuxAppPaths(const QString &executableFolder);

    QString dataFolder() const override;
    QString resourcesFolder() const override;

    static QString dataHome();
    static QString configHome();

private:
    QString m_executableFolder;
};

#pragma once

#include "ui/CueSoundPlayer.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class SystemLog;

// The sound module (vantle-sound) holds the players that sound the cues. It is loaded when a
// cue first plays, and only where a sound server can be reached: a machine without one never
// maps the multimedia libraries. Without the module, a server or a sound device, the cues are
// silent and the log says so once.
class CueSoundModule final
{
public:
    // `folders` are searched in order for the module; `log` outlives this object.
    CueSoundModule(QStringList folders, SystemLog &log, std::function<bool()> serverReachable);
    ~CueSoundModule();

    CueSoundModule(const CueSoundModule &) = delete;
    CueSoundModule &operator=(const CueSoundModule &) = delete;

    // Where the module sits beside an executable in `executableFolder`: in the build tree or
    // in the installed tree's library folder.
    static QStringList folders(const QString &executableFolder);

    // A player for `wavPath` that loads the module at its first start.
    std::unique_ptr<CueSoundPlayer> player(const QString &wavPath);

    // Whether the module has been loaded (it is at most once).
    bool isLoaded() const;

private:
    class DeferredPlayer;
    using Make = CueSoundPlayer *(*)(const QString &, void (*)());

    Make make();

    QStringList m_folders;
    SystemLog &m_log;
    std::function<bool()> m_serverReachable;
    QLibrary m_library;
    bool m_tried = false;
    Make m_make = nullptr;
};

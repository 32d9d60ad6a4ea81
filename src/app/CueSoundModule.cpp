#include "app/CueSoundModule.h"

#include "platform/SystemLog.h"
#include "platform/linux/ModuleFiles.h"

#include <QFileInfo>

namespace {
const QString kModuleFile = QStringLiteral("vantle-sound.so");
// The module answers "no device" through a plain function; there is one log per run.
SystemLog *g_noDeviceLog = nullptr;

void noDevice()
{
    if (g_noDeviceLog)
        g_noDeviceLog->log(QStringLiteral("no sound device: the interface cues are silent"));
}
} // namespace

class CueSoundModule::DeferredPlayer final : public CueSoundPlayer
{
public:
    DeferredPlayer(CueSoundModule &module, QString path)
        : m_module(module)
        , m_path(std::move(path))
    { }

    void setVolume(float volume) override
    {
        m_volume = volume;
        if (m_player)
            m_player->setVolume(volume);
    }

    void restart() override
    {
        if (!m_player) {
            const Make make = m_module.make();
            if (!make)
                return;
            m_player.reset(make(m_path, &noDevice));
            if (!m_player)
                return;
            m_player->setVolume(m_volume);
        }
        m_player->restart();
    }

private:
    CueSoundModule &m_module;
    QString m_path;
    float m_volume = 1.0f;
    std::unique_ptr<CueSoundPlayer> m_player;
};

CueSoundModule::CueSoundModule(QStringList folders, SystemLog &log,
                               std::function<bool()> serverReachable)
    : m_folders(std::move(folders))
    , m_log(log)
    , m_serverReachable(std::move(serverReachable))
{ }

// The players made by the module are owned by the engine, which lives as long as the program;
// the module is never unloaded under them.
CueSoundModule::~CueSoundModule() = default;

QStringList CueSoundModule::folders(const QString &executableFolder)
{
    return ModuleFiles::folders(executableFolder);
}

std::unique_ptr<CueSoundPlayer> CueSoundModule::player(const QString &wavPath)
{
    return std::make_unique<DeferredPlayer>(*this, wavPath);
}

bool CueSoundModule::isLoaded() const
{
    return m_make != nullptr;
}

CueSoundModule::Make CueSoundModule::make()
{
    if (m_tried)
        return m_make;
    m_tried = true;
    g_noDeviceLog = &m_log;
    if (m_serverReachable && !m_serverReachable()) {
        noDevice();
        return nullptr;
    }
    QString file;
    for (const QString &folder : m_folders) {
        const QString candidate = folder + QLatin1Char('/') + kModuleFile;
        if (QFileInfo::exists(candidate)) {
            file = candidate;
            break;
        }
    }
    if (file.isEmpty()) {
        m_log.log(QStringLiteral("the sound module %1 is missing: the interface cues are silent")
                      .arg(kModuleFile));
        return nullptr;
    }
    m_library.setFileName(file);
    m_make = reinterpret_cast<Make>(m_library.resolve("vantleCueSoundPlayer"));
    if (!m_make)
        m_log.log(QStringLiteral("the sound module %1 does not load (%2): the interface cues are "
                                 "silent")
                      .arg(file, m_library.errorString()));
    return m_make;
}

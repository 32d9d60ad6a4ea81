#include "platform/Platform.h"

#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/HotKeys.h"
#include "platform/LoginItems.h"
#include "platform/Pasteboard.h"
#include "platform/ProcessTable.h"
#include "platform/Screens.h"
#include "platform/SystemInfo.h"
#include "platform/SystemLog.h"
#include "platform/SystemStats.h"
#include "platform/ToolRunner.h"
#include "platform/UserDefaults.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"

#include <QtGlobal>

namespace {
std::unique_ptr<Platform> &slot()
{
    static std::unique_ptr<Platform> s;
    return s;
}
} // namespace

Platform::Platform() = default;
Platform::~Platform() = default;
Platform::Platform(Platform &&) noexcept = default;
Platform &Platform::operator=(Platform &&) noexcept = default;

Platform &Platform::installed()
{
    Q_ASSERT_X(slot(), "Platform::installed", "no platform installed");
    if (!slot())
        qFatal("Platform::installed called before Platform::install");
    return *slot();
}

void Platform::install(Platform platform)
{
    slot() = std::make_unique<Platform>(std::move(platform));
}

bool Platform::isInstalled()
{
    return slot() != nullptr;
}

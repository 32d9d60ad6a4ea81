#include "platform/Platform.h"

#include "platform/AppPaths.h"
#include "platform/Badges.h"
#include "platform/CalendarStore.h"
#include "platform/Clock.h"
#include "platform/HotKeys.h"
#include "platform/LoginItems.h"
#include "platform/MediaPlayers.h"
#include "platform/NetworkPath.h"
#include "platform/Pasteboard.h"
#include "platform/ProcessTable.h"
#include "platform/RemoteControl.h"
#include "platform/Screens.h"
#include "platform/SystemInfo.h"
#include "platform/SystemLog.h"
#include "platform/SystemStats.h"
#include "platform/ToolRunner.h"
#include "platform/UserDefaults.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"

Platform::Platform() = default;
Platform::~Platform() = default;
Platform::Platform(Platform &&) noexcept = default;
Platform &Platform::operator=(Platform &&) noexcept = default;

#include "platform/WindowSystem.h"

#include "platform/WindowSprites.h"

std::unique_ptr<WindowSprites> WindowSystem::sprites(quintptr windowId) const
{
    Q_UNUSED(windowId);
    return nullptr;
}

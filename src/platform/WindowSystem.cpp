#include "platform/WindowSystem.h"

#include "platform/WindowCanvas.h"
#include "platform/WindowSprites.h"

std::unique_ptr<WindowSprites> WindowSystem::sprites(quintptr windowId) const
{
    Q_UNUSED(windowId);
    return nullptr;
}

std::unique_ptr<WindowCanvas> WindowSystem::canvas(quintptr windowId) const
{
    Q_UNUSED(windowId);
    return nullptr;
}

#pragma once

#include "platform/WindowSystem.h"

#include <QList>

class FakeWindowSystem final : public WindowSystem
{
public:
    bool trust = true;
    bool composited = true;
    mutable QList<quintptr> prepared;

    bool trusted() const override { return trust; }
    bool compositing() const override { return composited; }
    void preparePanel(quintptr windowId) const override { prepared << windowId; }
};

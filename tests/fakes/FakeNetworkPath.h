#pragma once

#include "platform/NetworkPath.h"

// A network path the test sets; `change` emits pathChanged as the real one does.
class FakeNetworkPath final : public NetworkPath
{
public:
    NetworkPathState state;
    std::optional<int> rssi;
    bool tunnel = false;

    NetworkPathState path() const override { return state; }
    std::optional<int> wifiRssi() const override { return rssi; }
    bool tunnelUp() const override { return tunnel; }

    void change(NetworkPathState next)
    {
        state = next;
        emit pathChanged();
    }
};

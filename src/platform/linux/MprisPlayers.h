#pragma once

#include "platform/MediaPlayers.h"

// The MPRIS players on the session bus.
class MprisPlayers final : public MediaPlayers
{
public:
    // How long the bus may take to list its names.
    static constexpr int busTimeoutMs = 2000;

    QStringList runningPlayers() const override;
};

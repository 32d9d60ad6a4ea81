#pragma once

#include <QStringList>

// The media players of the desktop session.
class MediaPlayers
{
public:
    virtual ~MediaPlayers() = default;

    // The players running now, by their bus names; empty when none can be listed. May wait on
    // the bus for a while: ask off the main thread.
    virtual QStringList runningPlayers() const = 0;
};

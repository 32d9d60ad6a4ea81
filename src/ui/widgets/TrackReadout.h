#pragma once

#include <QString>

// The track a media player is on, as the now-playing strip shows it.
struct TrackReadout
{
    QString app;
    QString title;
    QString artist;
    bool isPlaying = false;
};

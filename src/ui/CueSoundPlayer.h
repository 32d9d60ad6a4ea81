#pragma once

// One prepared sound the engine can start at any moment. The engine owns one per cue and never
// creates one while playing.
class CueSoundPlayer
{
public:
    virtual ~CueSoundPlayer() = default;

    // Linear gain, 0 to 1, for the next start.
    virtual void setVolume(float volume) = 0;
    // Stops the sound if it is still playing and plays it again from its first sample.
    virtual void restart() = 0;
};

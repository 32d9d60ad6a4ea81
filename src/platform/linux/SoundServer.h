#pragma once

// Qt's audio on Linux plays through a PulseAudio server (PulseAudio itself or PipeWire's), so
// without one there is no sound device to find. Whether one can be reached is a look at the
// places its client library tries, without loading it.
namespace SoundServer {

bool reachable();

} // namespace SoundServer

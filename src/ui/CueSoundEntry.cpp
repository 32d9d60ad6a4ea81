// The entry point of the sound module: the program resolves this one function by name.
#include "ui/EffectCueSoundPlayer.h"

#include <QtGlobal>

#include <memory>

extern "C" Q_DECL_EXPORT CueSoundPlayer *vantleCueSoundPlayer(const QString &wavPath,
                                                              void (*noDevice)())
{
    // One question to the sound server for all the cues; its answer holds for the run.
    static SoundOutput output([noDevice] {
        if (noDevice)
            noDevice();
    });
    return std::make_unique<EffectCueSoundPlayer>(wavPath, &output).release();
}

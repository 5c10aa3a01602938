// The short sound the engine plays for the process: one at a time, as the
// system keeps one. A new sound stops the one playing and waits until it
// has ended; the sound plays through the engine's own waveOut entries
// (an EngineDevice while the engine is present) on the caller's thread
// (synchronous) or on a thread of its own.
#pragma once

#include <windows.h>

#include "SoundBytes.h"
#include "fxengine/shortsound/WaveImage.h"

namespace fxengine {

class ShortSoundPlayer {
public:
    static constexpr unsigned kMaxFormat = 64;  // bytes of a WAVE format chunk it takes

    static void Init();  // DllMain, process attach
    static void Shutdown();

    static bool Playing();
    // Stops the sound playing, if any, and waits until it has ended.
    static void Stop();
    // Plays `image` (which points into `bytes`): FALSE with noStop while a
    // sound plays, or when the device does not open (synchronous) or no
    // thread starts (asynchronous). Synchronous: returns once it has played
    // or was stopped.
    static BOOL Play(SoundBytes bytes, const WaveImage& image, bool async, bool loop, bool noStop);

private:
    struct Sound;
    static bool Begin(Sound* sound, bool noStop);
    static void End(Sound* sound);
    static BOOL Run(Sound* sound);
    static DWORD WINAPI Thread(LPVOID sound);
};

}  // namespace fxengine

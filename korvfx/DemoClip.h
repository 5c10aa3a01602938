// A short piece of music synthesised from scratch, to hear and plot what the
// effects do: drums, a bass line, a chord pad spread left and right and a
// voice-like melody. 16-bit stereo, the same every time, written as 16-bit
// WAV or FLAC.
#pragma once

#include <stdint.h>

#include "korvfx/AudioFile.h"

namespace korvfx {

Audio DemoClip(uint32_t sampleRate = 44100, double seconds = 8.0);

}  // namespace korvfx

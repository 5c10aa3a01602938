// The format of one output stream, with the same numbers as WAVEFORMATEX.
#pragma once

#include <stdint.h>

namespace fx {

const uint16_t kFormatPcm = 1;

struct FxFormat {
    uint16_t formatTag;  // 1 = PCM
    uint16_t channels;
    uint32_t sampleRate;
    uint16_t bitsPerSample;
    uint16_t blockAlign;
};

// PCM, 8-bit unsigned or 16-bit signed, mono or stereo, 8000..48000 Hz, with
// a consistent block size: the formats the chain processes.
bool FxFormat_Supported(const FxFormat& f);

}  // namespace fx

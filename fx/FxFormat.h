// The format of one output stream, with the same numbers as WAVEFORMATEX
// (a WAVEFORMATEXTENSIBLE stream arrives as its PCM or float subformat).
#pragma once

#include <stdint.h>

namespace fx {

const uint16_t kFormatPcm = 1;
const uint16_t kFormatFloat = 3;

const uint32_t kMinRate = 8000;
const uint32_t kMaxRate = 96000;
const uint16_t kMaxBlock = 64;  // bytes of the largest frame we process

struct FxFormat {
    uint16_t formatTag;  // 1 = PCM, 3 = IEEE float
    uint16_t channels;
    uint32_t sampleRate;
    uint16_t bitsPerSample;  // the container
    uint16_t blockAlign;
    // Bits that carry the sound, from the top of the container (an extensible
    // format's valid bits); 0: all of them.
    uint16_t validBits = 0;
};

// PCM of 8 (unsigned), 16, 24 or 32 bits or 32-bit float, 8000..96000 Hz,
// with a consistent block size: the formats the chain processes. Mono and
// stereo are processed; of more channels the first two (front left and
// right), the others pass untouched.
bool FxFormat_Supported(const FxFormat& f);

// The bits that carry the sound (validBits, or the container when 0).
uint16_t FxFormat_ValidBits(const FxFormat& f);

}  // namespace fx

// Stand-in (see FxParams.h): the format of an output device.
#pragma once

#include <stdint.h>

namespace fx {

struct FxFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t sampleRate;
    uint16_t bitsPerSample;
    uint16_t blockAlign;
};

}  // namespace fx

// The signal the DirectSound test player plays and the tests expect: the
// known test signal with a 60 Hz tone under it (the bass the effects lift),
// 16-bit stereo or mono. No Windows calls: the player and the tests build it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "tests/common/TestSignal.h"

namespace dssignal {

inline int16_t Sample(uint32_t frame, uint32_t channel, uint32_t rate) {
    const double hum = 0.2 * std::sin(6.283185307179586 * 60.0 * frame / rate);
    return static_cast<int16_t>(std::lround((0.75 * testsignal::Value(frame, channel, rate) + hum) * 32767.0));
}

// `frames` frames from frame `first` of the signal, or silence from frame `end` on.
inline void Fill(int16_t* out, uint32_t frames, uint32_t first, uint32_t end, uint32_t rate, uint32_t channels) {
    for (uint32_t f = 0; f < frames; ++f)
        for (uint32_t c = 0; c < channels; ++c) *out++ = first + f < end ? Sample(first + f, c, rate) : 0;
}

}  // namespace dssignal

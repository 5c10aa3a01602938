// The known signal the test player plays and the tests expect: two tones
// and a little noise, the same for every run, in 8-bit unsigned or 16-bit
// signed PCM. No Windows calls: the player and the tests both build it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace testsignal {

// Sample of channel `channel` at frame `frame`, in -1..1 (never silent for long:
// the gap finder in the comparison skips silence the audio system may insert).
inline double Value(uint32_t frame, uint32_t channel, uint32_t rate) {
    const double t = static_cast<double>(frame) / rate;
    const double pi2 = 6.283185307179586;
    uint32_t x = frame * 2654435761u + channel * 40503u + 12345u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    const double noise = (static_cast<double>(x & 0xFFFF) / 65535.0 - 0.5) * 0.1;
    const double low = 0.35 * std::sin(pi2 * 110.0 * t + channel);
    const double high = 0.25 * std::sin(pi2 * (channel ? 1320.0 : 880.0) * t);
    return low + high + noise;
}

// Fills `bytes` bytes of interleaved PCM starting at frame `firstFrame`.
inline void Fill(void* out, uint32_t bytes, uint32_t firstFrame, uint32_t rate, uint32_t channels, uint32_t bits) {
    const uint32_t sampleBytes = bits / 8;
    const uint32_t frames = bytes / (sampleBytes * channels);
    uint8_t* p = static_cast<uint8_t*>(out);
    for (uint32_t f = 0; f < frames; ++f) {
        for (uint32_t c = 0; c < channels; ++c) {
            const double v = Value(firstFrame + f, c, rate);
            if (bits == 8) {
                *p++ = static_cast<uint8_t>(128 + static_cast<int>(std::lround(v * 127.0)));
            } else {
                const int16_t s = static_cast<int16_t>(std::lround(v * 32767.0));
                std::memcpy(p, &s, 2);
                p += 2;
            }
        }
    }
}

}  // namespace testsignal

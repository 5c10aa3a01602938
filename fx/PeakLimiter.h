// The last stage: a look-ahead peak limiter. The sound passes Latency()
// frames late; the gain for each frame is already down when its peak
// arrives, reached by a smooth ramp over the look-ahead, held while peaks
// keep coming (longer than half a period of the lowest bass, so a steady
// tone sees one constant gain: no distortion) and released slowly after.
// Its soft knee starts bending peaks about 2 dB under the ceiling; nothing
// it lets out exceeds the ceiling. One gain for both channels keeps the
// stereo image. Fixed-size state, sized for 96 kHz.
#pragma once

#include <stdint.h>

namespace fx {

class PeakLimiter {
public:
    // ceiling: the largest magnitude it lets out (just under full scale).
    void Open(double sampleRate, float ceiling);
    void Clear();
    uint32_t Latency() const { return m_latency; }

    // Takes a frame now and gives back, in its place, the frame of Latency()
    // frames ago, limited.
    template <int kChannels>
    void Process(float* x) {
        float peak = 0.0f;
        for (int c = 0; c < kChannels; ++c) {
            float a = x[c] < 0.0f ? -x[c] : x[c];
            if (a > peak) peak = a;
        }
        float gain = NextGain(peak);
        const uint32_t now = m_pos & (kDelaySize - 1), then = (m_pos - m_latency) & (kDelaySize - 1);
        for (int c = 0; c < kChannels; ++c) {
            m_delay[c][now] = x[c];
            x[c] = m_delay[c][then] * gain;
        }
        ++m_pos;
    }

private:
    static const uint32_t kDelaySize = 256;  // > 2 ms at 96 kHz
    static const uint32_t kHoldSize = 4096;  // > 2 ms + 40 ms at 96 kHz
    static const uint32_t kUnit = 1u << 23;  // the ramp's sum in fixed point: exact

    float NextGain(float peak);

    float m_delay[2][kDelaySize];
    // The smallest gain any frame of the hold window needs, as a queue of
    // rising gains (each entry the smallest from its frame on).
    float m_minGain[kHoldSize];
    uint32_t m_minFrame[kHoldSize];
    uint32_t m_minFirst = 0, m_minCount = 0;
    // The released gain over the last Latency() + 1 frames, summed.
    uint32_t m_ramp[kDelaySize];
    uint32_t m_rampSum = 0, m_rampFull = 0;
    float m_released = 1.0f;
    float m_rampScale = 0.0f;
    float m_releaseCoeff = 0.0f;
    float m_knee = 0.8f;
    float m_room = 0.2f;
    uint32_t m_latency = 1, m_window = 2;
    uint32_t m_pos = 0, m_rampPos = 0;
};

}  // namespace fx

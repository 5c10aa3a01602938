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

#include "fx/StateRing.h"

namespace fx {

class PeakLimiter {
public:
    // ceiling: the largest magnitude it lets out (just under full scale).
    void Open(double sampleRate, float ceiling);
    void Clear();
    uint32_t Latency() const { return m_latency; }

    static const uint32_t kRings = 5;
    // Its delay, hold queue and ramp, in memory order, as `kind`.
    void Rings(StateRing* out, StateRing::Kind kind);

    // Takes a frame now and gives back, in its place, the frame of Latency()
    // frames ago, limited.
    // (Always inline: the caller's samples then stay in registers.)
    template <int kChannels>
    __attribute__((always_inline)) void Process(float* x) {
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
    // The ramp sums gains rounded to steps of 2^-23: such sums are exact in a
    // double, so the running sum never drifts.
    static constexpr double kRound = 536870912.0;  // 2^29: a double's steps there are 2^-23

    float NextGain(float peak);

    float m_delay[2][kDelaySize];
    // The smallest gain any frame of the hold window needs, as a queue of
    // rising gains (each entry the smallest from its frame on).
    float m_minGain[kHoldSize];
    uint32_t m_minFrame[kHoldSize];
    uint32_t m_minFirst = 0, m_minCount = 0;
    // The released gain over the last Latency() + 1 frames, summed.
    double m_ramp[kDelaySize];
    double m_rampSum = 0.0, m_rampFull = 0.0;
    float m_released = 1.0f;
    double m_rampScale = 0.0;
    float m_releaseCoeff = 0.0f;
    float m_knee = 0.8f;
    float m_room = 0.2f;
    uint32_t m_latency = 1, m_window = 2;
    uint32_t m_pos = 0, m_rampPos = 0;
};

inline float PeakLimiter::NextGain(float peak) {
    // The gain this frame needs: above the knee the output rises with slope 1
    // from the knee and approaches the ceiling.
    float need = 1.0f;
    if (peak > m_knee) {
        float over = peak - m_knee;
        need = (m_knee + m_room * over / (over + m_room)) / peak;
    }

    // Smallest over the window: drop what this frame undercuts, add it, and
    // let the oldest go once it has left the window.
    while (m_minCount && m_minGain[(m_minFirst + m_minCount - 1) & (kHoldSize - 1)] >= need) --m_minCount;
    const uint32_t back = (m_minFirst + m_minCount) & (kHoldSize - 1);
    m_minGain[back] = need;
    m_minFrame[back] = m_pos;
    ++m_minCount;
    if (m_pos - m_minFrame[m_minFirst] >= m_window) {
        m_minFirst = (m_minFirst + 1) & (kHoldSize - 1);
        --m_minCount;
    }
    const float least = m_minGain[m_minFirst];

    // Down at once, up slowly: never above what the window needs.
    m_released = least < m_released ? least : m_released + (least - m_released) * m_releaseCoeff;

    // The average over the look-ahead: a ramp that is down before the peak
    // it saw coming leaves the delay (every value in it is at most what that
    // peak needs).
    const double q = (static_cast<double>(m_released) + kRound) - kRound;
    m_rampSum += q - m_ramp[m_rampPos];
    m_ramp[m_rampPos] = q;
    m_rampPos = m_rampPos < m_latency ? m_rampPos + 1 : 0;
    return m_rampSum == m_rampFull ? 1.0f : static_cast<float>(m_rampSum * m_rampScale);
}

}  // namespace fx

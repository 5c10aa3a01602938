#include "fx/PeakLimiter.h"

#include <math.h>
#include <string.h>

namespace fx {
namespace {

const double kLookAheadSeconds = 0.002;
const double kHoldSeconds = 0.04;  // over half a period of 20 Hz
const double kReleaseSeconds = 0.1;

}  // namespace

void PeakLimiter::Open(double sampleRate, float ceiling) {
    uint32_t latency = static_cast<uint32_t>(kLookAheadSeconds * sampleRate + 0.5);
    m_latency = latency < 1 ? 1 : latency < kDelaySize - 1 ? latency : kDelaySize - 2;
    uint32_t window = m_latency + 1 + static_cast<uint32_t>(kHoldSeconds * sampleRate);
    m_window = window < kHoldSize ? window : kHoldSize;
    m_rampScale = static_cast<float>(1.0 / (static_cast<double>(kUnit) * (m_latency + 1)));
    m_releaseCoeff = static_cast<float>(1.0 - exp(-1.0 / (kReleaseSeconds * sampleRate)));
    m_knee = 0.8f * ceiling;
    m_room = ceiling - m_knee;
    Clear();
}

void PeakLimiter::Clear() {
    memset(m_delay, 0, sizeof m_delay);
    for (uint32_t i = 0; i < kDelaySize; ++i) m_ramp[i] = kUnit;
    m_rampSum = m_rampFull = kUnit * (m_latency + 1);
    m_rampPos = 0;
    m_minFirst = m_minCount = 0;
    m_released = 1.0f;
    m_pos = 0;
}

float PeakLimiter::NextGain(float peak) {
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
    const uint32_t q = static_cast<uint32_t>(lrintf(m_released * static_cast<float>(kUnit)));
    m_rampSum += q - m_ramp[m_rampPos];
    m_ramp[m_rampPos] = q;
    m_rampPos = m_rampPos < m_latency ? m_rampPos + 1 : 0;
    return m_rampSum == m_rampFull ? 1.0f : static_cast<float>(m_rampSum) * m_rampScale;
}

}  // namespace fx

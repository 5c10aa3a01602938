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
    m_window = window < kHoldSize ? window : kHoldSize - 1;  // room for the frame that comes in
    m_rampScale = 1.0 / (m_latency + 1);
    m_releaseCoeff = static_cast<float>(1.0 - exp(-1.0 / (kReleaseSeconds * sampleRate)));
    m_knee = 0.8f * ceiling;
    m_room = ceiling - m_knee;
    Clear();
}

void PeakLimiter::Clear() {
    memset(m_delay, 0, sizeof m_delay);
    for (uint32_t i = 0; i < kDelaySize; ++i) m_ramp[i] = 1.0;
    m_rampSum = m_rampFull = m_latency + 1;
    m_rampPos = 0;
    m_minFirst = m_minCount = 0;
    m_released = 1.0f;
    m_pos = 0;
}

}  // namespace fx

namespace fx {

void PeakLimiter::Rings(StateRing* out, StateRing::Kind kind) {
    // The delay is read Latency() frames back; the queue holds m_minCount
    // entries from its first; the ramp cycles through Latency() + 1.
    for (int c = 0; c < 2; ++c)
        *out++ = {m_delay[c], sizeof(float), kDelaySize, (m_pos - m_latency) & (kDelaySize - 1), m_latency, kind};
    *out++ = {m_minGain, sizeof(float), kHoldSize, m_minFirst, m_minCount, kind};
    *out++ = {m_minFrame, sizeof(uint32_t), kHoldSize, m_minFirst, m_minCount, kind};
    *out++ = {m_ramp, sizeof(double), kDelaySize, 0, m_latency + 1, kind};
}

}  // namespace fx

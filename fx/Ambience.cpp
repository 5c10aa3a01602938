#include "fx/Ambience.h"

#include <math.h>
#include <string.h>

namespace fx {
namespace {

// Mutually prime-ish line lengths, so the echoes do not pile up into a tone.
const double kLineMs[4] = {31.3, 36.7, 41.9, 47.1};
const double kDiffuseMs[4] = {7.1, 4.9, 3.3, 1.9};
const float kDiffuseGain = 0.65f;
const double kDecaySeconds = 1.3;  // to -60 dB
const double kDampHz = 5500.0;     // the tail darkens as it decays
const float kOutputScale = 0.35f;
// An offset far below any format's quietest step circulates with the sound,
// so the decaying tail never reaches denormal numbers (slow on x87); it
// costs less than testing every value, every sample.
const float kAntiDenormal = 1e-20f;

}  // namespace

void Ambience::Open(double sampleRate) {
    for (uint32_t i = 0; i < kLines; ++i) {
        uint32_t n = static_cast<uint32_t>(kLineMs[i] * 0.001 * sampleRate);
        m_lineLength[i] = n < kLineSize ? n : kLineSize - 1;
        m_feedback[i] = static_cast<float>(pow(10.0, -3.0 * m_lineLength[i] / (kDecaySeconds * sampleRate)));
    }
    for (uint32_t i = 0; i < kDiffusers; ++i) {
        uint32_t n = static_cast<uint32_t>(kDiffuseMs[i] * 0.001 * sampleRate);
        m_diffuseLength[i] = n < kDiffuseSize ? (n ? n : 1) : kDiffuseSize - 1;
    }
    m_dampCoeff = static_cast<float>(1.0 - exp(-2.0 * 3.14159265358979323846 * kDampHz / sampleRate));
    // -60 dB per decay time; the quietest step of 16-bit output is below
    // -96 dB, the flush threshold near -240 dB: four decay times is plenty.
    m_tailSamples = static_cast<uint32_t>(4.0 * kDecaySeconds * sampleRate);
    Clear();
}

void Ambience::Clear() {
    memset(m_line, 0, sizeof m_line);
    memset(m_diffuse, 0, sizeof m_diffuse);
    memset(m_damp, 0, sizeof m_damp);
    m_pos = 0;
}

void Ambience::Process(float in, float* outL, float* outR) {
    const uint32_t pos = m_pos;
    float x = in + kAntiDenormal;
    for (uint32_t i = 0; i < kDiffusers; ++i) {
        float* buf = m_diffuse[i];
        float delayed = buf[(pos - m_diffuseLength[i]) & (kDiffuseSize - 1)];
        float w = x + kDiffuseGain * delayed;
        buf[pos & (kDiffuseSize - 1)] = w;
        x = delayed - kDiffuseGain * w;
    }

    float d[kLines];
    float sum = 0.0f;
    for (uint32_t i = 0; i < kLines; ++i) {
        float tap = m_line[i][(pos - m_lineLength[i]) & (kLineSize - 1)];
        m_damp[i] += m_dampCoeff * (tap - m_damp[i]);
        d[i] = m_damp[i] * m_feedback[i];
        sum += d[i];
    }
    // Householder feedback: lossless mixing of every line into every other.
    sum *= 0.5f;
    for (uint32_t i = 0; i < kLines; ++i) m_line[i][pos & (kLineSize - 1)] = d[i] - sum + x;

    *outL = kOutputScale * (d[0] - d[1] + d[2] - d[3]);
    *outR = kOutputScale * (d[0] + d[1] - d[2] - d[3]);
    m_pos = pos + 1;
}

}  // namespace fx

namespace fx {

void Ambience::Rings(StateRing* out, StateRing::Kind kind) {
    static_assert(kRings == kLines + kDiffusers, "every line and diffuser");
    // Each is read `length` samples back from where it is written next.
    for (uint32_t i = 0; i < kLines; ++i)
        *out++ = {m_line[i],       sizeof(float), kLineSize, (m_pos - m_lineLength[i]) & (kLineSize - 1),
                  m_lineLength[i], kind};
    for (uint32_t i = 0; i < kDiffusers; ++i)
        *out++ = {m_diffuse[i],       sizeof(float), kDiffuseSize, (m_pos - m_diffuseLength[i]) & (kDiffuseSize - 1),
                  m_diffuseLength[i], kind};
}

}  // namespace fx

// Soundfields' room: four diffusing all-passes and a four-line feedback delay
// network with a damped, evenly decaying tail, one input and two decorrelated
// outputs. Fixed buffers long enough for 96 kHz.
#pragma once

#include <stdint.h>

#include "fx/StateRing.h"

namespace fx {

class Ambience {
public:
    void Open(double sampleRate);
    void Clear();
    void Process(float in, float* outL, float* outR);
    // Samples after the last input until the tail is far below any format's
    // quietest step.
    uint32_t TailSamples() const { return m_tailSamples; }

    static const uint32_t kRings = 8;
    // Its delay lines and diffusers, in memory order, as `kind`.
    void Rings(StateRing* out, StateRing::Kind kind);

private:
    static const uint32_t kLines = 4;
    static const uint32_t kLineSize = 8192;     // > 47.1 ms at 96 kHz
    static const uint32_t kDiffuseSize = 1024;  // > 7.1 ms at 96 kHz
    static const uint32_t kDiffusers = 4;

    float m_line[kLines][kLineSize];
    float m_diffuse[kDiffusers][kDiffuseSize];
    float m_damp[kLines];
    uint32_t m_lineLength[kLines];
    uint32_t m_diffuseLength[kDiffusers];
    float m_feedback[kLines];
    float m_dampCoeff = 0.0f;
    uint32_t m_pos = 0;
    uint32_t m_tailSamples = 0;
};

}  // namespace fx

// A second-order section (transposed direct form II) and the filter designs
// the chain uses: the usual cookbook low/high/band passes and first-order
// low/high passes in the same form.
#pragma once

#include "fx/Denormal.h"

namespace fx {

class Biquad {
public:
    void LowPass(double sampleRate, double freq, double q);
    void HighPass(double sampleRate, double freq, double q);
    void BandPass(double sampleRate, double freq, double q);  // 0 dB at the centre
    void LowPass1(double sampleRate, double freq);
    void HighPass1(double sampleRate, double freq);
    void Clear() { m_z1 = m_z2 = 0.0f; }

    float Process(float x) {
        float y = m_b0 * x + m_z1;
        m_z1 = m_b1 * x - m_a1 * y + m_z2;
        m_z2 = m_b2 * x - m_a2 * y;
        return y;
    }
    // Called every few dozen samples: a decaying state is set to zero long
    // before it could become denormal.
    void Flush() {
        m_z1 = FlushTiny(m_z1);
        m_z2 = FlushTiny(m_z2);
    }

private:
    void Set(double b0, double b1, double b2, double a0, double a1, double a2);

    float m_b0 = 1.0f, m_b1 = 0.0f, m_b2 = 0.0f, m_a1 = 0.0f, m_a2 = 0.0f;
    float m_z1 = 0.0f, m_z2 = 0.0f;
};

}  // namespace fx

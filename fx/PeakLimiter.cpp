#include "fx/PeakLimiter.h"

#include <math.h>

namespace fx {

void PeakLimiter::Open(double sampleRate, float ceiling) {
    m_release = static_cast<float>(exp(-1.0 / (0.08 * sampleRate)));  // 80 ms
    m_knee = 0.8f * ceiling;
    m_room = ceiling - m_knee;
    Clear();
}

}  // namespace fx

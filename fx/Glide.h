// A value that moves to a new target in a straight line over a fixed number
// of samples, so that a changed setting never steps the sound (no click).
// Sample by sample, so the result does not depend on how a stream is cut
// into buffers.
#pragma once

#include <stdint.h>

namespace fx {

class Glide {
public:
    void SetLength(uint32_t samples) { m_length = samples ? samples : 1; }
    // Jump there at once (a stream that starts with this setting).
    void Snap(float target) {
        m_current = m_target = target;
        m_step = 0.0f;
        m_left = 0;
    }
    void SetTarget(float target) {
        if (target == m_target) return;
        m_target = target;
        m_left = m_length;
        m_step = (m_target - m_current) / static_cast<float>(m_length);
    }
    float Next() {
        if (m_left) {
            m_current = --m_left ? m_current + m_step : m_target;
        }
        return m_current;
    }
    float Current() const { return m_current; }
    float Target() const { return m_target; }
    bool Moving() const { return m_left != 0; }
    // Silent now and staying so.
    bool Idle() const { return !m_left && m_current == 0.0f; }

private:
    float m_current = 0.0f, m_target = 0.0f, m_step = 0.0f;
    uint32_t m_left = 0, m_length = 1;
};

}  // namespace fx

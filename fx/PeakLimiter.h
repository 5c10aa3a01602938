// The last stage: a peak limiter with instant attack, a smooth release and a
// soft knee, so no level however high wraps or flattens a sample. Below the
// knee it does nothing. One gain for both channels keeps the stereo image.
#pragma once

namespace fx {

class PeakLimiter {
public:
    // ceiling: the largest magnitude it lets out (just under full scale).
    void Open(double sampleRate, float ceiling);
    void Clear() { m_env = 0.0f; }
    // The gain for a frame whose largest magnitude is peak.
    float Gain(float peak) {
        float decayed = m_env * m_release;
        m_env = peak > decayed ? peak : FlushTinyEnv(decayed);
        if (m_env <= m_knee) return 1.0f;
        // Rises from the knee with slope 1 and approaches the ceiling.
        float over = m_env - m_knee;
        float out = m_knee + m_room * over / (over + m_room);
        return out / m_env;
    }

private:
    static float FlushTinyEnv(float e) { return e < 1e-6f ? 0.0f : e; }

    float m_env = 0.0f;
    float m_release = 0.0f;
    float m_knee = 0.8f;
    float m_room = 0.2f;
};

}  // namespace fx

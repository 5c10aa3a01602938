#include "skinctl/AnimationClock.h"

namespace skinctl {

int AnimationClock::Advance(uint32_t nowMs) {
    const uint32_t elapsed = nowMs - m_lastMs;  // unsigned: survives the tick wrap
    m_lastMs = nowMs;
    const uint64_t scaled = uint64_t(elapsed) * FRAMES_PER_SECOND + m_restMs;
    const uint64_t frames = scaled / 1000;
    m_restMs = uint32_t(scaled % 1000);
    m_frame = int((uint64_t(m_frame) + frames) % FRAME_COUNT);
    return m_frame;
}

}  // namespace skinctl

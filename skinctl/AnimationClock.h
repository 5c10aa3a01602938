// Frame timing of the animation: 127 frames at 12 frames a second, looping.
// The frame follows the real time passed, so a late timer skips frames
// instead of slowing the loop down.
#pragma once

#include <stdint.h>

namespace skinctl {

class AnimationClock {
public:
    enum : int { FRAME_COUNT = 127, FRAMES_PER_SECOND = 12 };
    // The timer period that asks for every frame (1000 / 12, rounded down).
    enum : unsigned { TIMER_PERIOD_MS = 1000 / FRAMES_PER_SECOND };

    explicit AnimationClock(uint32_t nowMs) : m_lastMs(nowMs) {}

    // Advances to the millisecond tick `nowMs` (a wrapping 32-bit counter)
    // and returns the frame to show, 0 to FRAME_COUNT - 1.
    int Advance(uint32_t nowMs);
    int Frame() const { return m_frame; }

private:
    uint32_t m_lastMs;
    uint32_t m_restMs = 0;  // fraction of a frame, in ms * FRAMES_PER_SECOND
    int m_frame = 0;
};

}  // namespace skinctl

// How much rendered sound the engine keeps on the real device. A short lead
// lets a knob turn be heard soon; a device that stalls (9x drivers and the
// NT kernel mixer routinely stop for 30 ms and more) needs a long one, or it
// runs dry while the program itself still has sound queued. The lead starts
// short, doubles whenever the device came close to running dry, takes all the
// program has queued when it ran dry (never beyond what the program has
// queued), and shrinks back a period at a time while the device keeps up. The
// first stall of a device can still find it short.
#pragma once

#include <stdint.h>

namespace fxengine {

class FeedLead {
public:
    FeedLead(uint32_t periodFrames, uint32_t sampleRate);

    // At each wake of the feed, with what the device still held (frames
    // written, not yet played), what the program has queued beyond it, and
    // the frames played since the last look.
    void Observe(uint64_t onDevice, uint64_t programQueued, uint64_t played);
    // Frames to keep on the device.
    uint64_t Target() const { return m_target; }
    // Frames below which the device counts as close to running dry: on a
    // machine that keeps up, the feed wakes when a period has played with at
    // least a period still on the device. A feed half a period late already
    // says the machine jitters: the lead grows before a stall finds it short.
    uint64_t Low() const { return m_period / 2; }
    // Whether one more period goes to the device, holding `onDevice` frames
    // with `ahead` more queued: while the device holds no more than the lead
    // less that period, which may be shorter than a period (the program's
    // last bit: counting a whole one there would let the device run dry),
    // and no more than `most`.
    bool Wants(uint64_t onDevice, uint64_t ahead, uint64_t most = ~uint64_t(0)) const {
        const uint64_t next = ahead < m_period ? ahead : m_period;
        return ahead > 0 && onDevice + next <= (m_target < most ? m_target : most);
    }

private:
    uint64_t m_period, m_base, m_max, m_target;
    uint64_t m_calm = 0;  // frames played since the lead last grew or shrank
};

}  // namespace fxengine

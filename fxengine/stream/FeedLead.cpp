#include "FeedLead.h"

#include "Period.h"

namespace fxengine {

namespace {
// Frames of calm playing (in periods) before the lead gives one period back:
// about a second, so a machine that stalls now and then keeps its lead.
const uint64_t kCalmPeriods = 64;
}  // namespace

FeedLead::FeedLead(uint32_t periodFrames, uint32_t sampleRate)
    : m_period(periodFrames),
      m_base(uint64_t(sampleRate) * kBaseLeadMs / 1000 > periodFrames ? uint64_t(sampleRate) * kBaseLeadMs / 1000
                                                                      : 2 * uint64_t(periodFrames)),
      m_max(uint64_t(periodFrames) * kMaxLead),
      m_target(m_base) {}

void FeedLead::Observe(uint64_t onDevice, uint64_t programQueued, uint64_t played) {
    // Close to dry while the program had more to give: the lead was too short.
    if (onDevice < Low() && programQueued > 0) {
        // Found dry, not just low: the feed was later than the whole lead,
        // and doubling would take a dropout at each step; the program's own
        // queue is what protected it without the engine.
        uint64_t grown = onDevice ? m_target * 2 : m_max;
        const uint64_t queued = onDevice + programQueued;
        if (grown > queued) grown = queued > m_target ? queued : m_target;
        m_target = grown < m_max ? grown : m_max;
        m_calm = 0;
        return;
    }
    m_calm += played;
    if (m_calm >= m_period * kCalmPeriods && m_target > m_base) {
        m_target = m_target - m_period > m_base ? m_target - m_period : m_base;
        m_calm = 0;
    }
}

}  // namespace fxengine

#include "FeedLead.h"

#include "Period.h"

namespace fxengine {

namespace {
// Frames of calm playing (in periods) before the lead gives some back: about
// a second, so a machine that stalls now and then keeps its lead.
const uint64_t kCalmPeriods = 64;
// The device's pace is measured over this many periods of the clock, and
// taken as at most so many times the clock's.
const uint64_t kPacePeriods = 8;

uint64_t Min(uint64_t a, uint64_t b) {
    return a < b ? a : b;
}
uint64_t Max(uint64_t a, uint64_t b) {
    return a > b ? a : b;
}
}  // namespace

FeedLead::FeedLead(uint32_t periodFrames, uint32_t sampleRate)
    : m_period(periodFrames),
      m_base(Max(uint64_t(sampleRate) * kBaseLeadMs / 1000, 2 * uint64_t(periodFrames))),
      m_max(uint64_t(periodFrames) * kMaxLead),
      m_target(m_base) {}

void FeedLead::Loop(uint64_t loopPass) {
    if (!loopPass) return;
    const uint64_t pass = Min(Max(ToClock(loopPass), m_base), m_max);
    if (m_target > pass) return;  // longer than the loop needs: it shrinks as anywhere
    // Held by the loop: calm counts from its end. (A calm second counted
    // across the loop let the lead shrink the moment the loop ended, where
    // the device crosses from the last pass to what follows.)
    m_target = pass;
    m_calm = 0;
}

void FeedLead::Measure(uint64_t played, uint64_t elapsed) {
    m_paceFrames += played;
    m_paceClock += elapsed;
    // Over several of the device's looks, so that its bursts even out.
    if (m_paceClock < m_period * kPacePeriods) return;
    const uint64_t pace = m_paceFrames * kClockPace / m_paceClock;
    m_pace = static_cast<uint32_t>(Min(Max(pace, kClockPace), uint64_t(kClockPace) * kMostPace));
    m_paceKnown = true;
    m_paceFrames = m_paceClock = 0;
}

void FeedLead::Observe(uint64_t deviceOn, uint64_t deviceQueued, uint64_t devicePlayed, bool fed, uint64_t elapsed) {
    if (!fed) return;  // a device that had nothing to play shows no pace
    Measure(devicePlayed, elapsed);
    // From here in the clock's time.
    const uint64_t onDevice = ToClock(deviceOn), programQueued = ToClock(deviceQueued), played = ToClock(devicePlayed);
    // What the program has queued: it hears of what played since the last
    // look only after this one (with a device that reports late, that may be
    // most of its queue).
    const uint64_t queued = onDevice + programQueued + played;
    // What the device played between two looks, it must hold at the next.
    // The clock tells how late this look came whatever the device reported: a
    // device that hands back what played late, in bursts, may have run dry
    // while it still seemed to hold a period, and played no more than it had.
    const uint64_t gap = Max(played, elapsed);
    m_stall = Max(m_stall, gap + m_period);
    // Close to dry while the program had more to give: the lead was too short.
    // A device holding more than the lead (the start's, read at the fastest
    // pace) shows it by what it played since the last look, a late look by
    // its gap: the lead alone would have been left with a period or less.
    if ((onDevice <= Low() || gap + Low() > m_target) && programQueued > 0) {
        // Found dry, not just low: the feed was later than the whole lead,
        // and doubling would take a dropout at each step; the program's own
        // queue is what protected it without the engine. A gap longer than
        // twice the lead takes that gap and a period.
        uint64_t grown = onDevice ? Max(m_target * 2, gap + m_period) : m_max;
        if (grown > queued) grown = Max(queued, m_target);
        m_target = Min(grown, m_max);
        m_calm = 0;
        return;
    }
    m_calm += played;
    if (m_calm < m_period * kCalmPeriods) return;
    m_calm = 0;
    // A period back, never below what a stall seen lately took.
    const uint64_t floor = Max(m_base, Min(m_stall, m_max));
    if (m_target > floor) m_target = m_target - floor > m_period ? m_target - m_period : floor;
    // A stall is forgotten a period a calm second.
    m_stall = m_stall > m_period ? m_stall - m_period : 0;
}

}  // namespace fxengine

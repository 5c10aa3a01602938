// How much rendered sound the engine keeps on the real device. A short lead
// lets a knob turn be heard soon; a device that stalls (9x drivers and the
// NT kernel mixer routinely stop for 30 ms and more) needs a long one, or it
// runs dry while the program itself still has sound queued. The lead starts
// short, doubles whenever the device came close to running dry, takes all
// the program has queued when it ran dry (never beyond what the program has
// queued, counting what played since the last look: the program hears of it
// only after), and shrinks back a period each calm second, never below the
// longest gap between two looks of the feed, on the clock or in what the
// device reported played, and a period (a stall seen, forgotten a period each
// calm second). The clock counts: a device that reports what it played late
// and in bursts may have run dry while it seemed to hold a period, having
// played no more than it had, so neither what it holds nor what it played
// shows the stall. The first stall of a device can still find it short: a
// start with a long lead would bury a knob turn under it.
// The lead is kept in the clock's time: what matters is how long the feed may
// be late, and a device that takes its frames faster than the clock (a sink
// that takes what it is given at once, a mixer filling a deep buffer) empties
// a lead of so many frames sooner. Its pace is measured, and every amount in
// frames is read at that pace (never below the clock's own). Until it is
// measured (the first periods), the lead handed to the device is read at the
// fastest pace believed (up to what the program has queued): read at the
// clock's own, the first periods alone could run a fast device dry.
#pragma once

#include <stdint.h>

namespace fxengine {

class FeedLead {
public:
    FeedLead(uint32_t periodFrames, uint32_t sampleRate);

    // At each wake of the feed, before it writes, with what the device still
    // held (frames written, not yet played), what the program has queued
    // beyond it, the frames played since the last look, and whether the
    // device had anything to play since then (a first look has not).
    // `elapsed`: frames of the clock since the last look (a gap that came
    // close to the lead grows it, as a device found low does).
    void Observe(uint64_t onDevice, uint64_t programQueued, uint64_t played, bool fed, uint64_t elapsed);
    // A loop too long for the device to loop it is under way or begins next
    // (`loopPass` frames a pass; 0: none): the lead holds a pass from its
    // start. The device must cross each pass's end without running dry, and
    // a knob turn or a rewrite there is heard within a pass anyway; a lead
    // that grew only once the device came close to dry cost a dropout at the
    // first pass's end (Wine's device hands periods back in bursts).
    void Loop(uint64_t loopPass);
    // Frames to keep on the device.
    uint64_t Target() const { return m_target * Reading(false) / kClockPace; }
    // Frames at or below which the device counts as close to running dry: on
    // a machine that keeps up, the feed wakes when a period has played with
    // the lead less that period (at least two periods) still on the device.
    // A device that hands periods back two at a time, or a feed a period
    // late, leaves it a period or less: what the device really still holds
    // may then be less (it is told only as whole periods come back), so the
    // lead grows before a stall finds it short.
    uint64_t Low() const { return m_period; }
    // Whether one more period goes to the device, holding `onDevice` frames
    // with `ahead` more queued: while the device holds no more than the lead
    // less that period, which may be shorter than a period (the program's
    // last bit: counting a whole one there would let the device run dry).
    // Inside a loop (`loopPass` frames a pass, 1 when not yet known) no more
    // than a pass or the short lead, whichever is longer: a break lands at
    // the end of the pass that plays or the next one, a rewrite is heard
    // soon, and up to that the lead grows as anywhere else. Before the pace is
    // known, a loop's lead is read at the clock's pace: a break must still
    // land within a pass or the next one.
    bool Wants(uint64_t onDevice, uint64_t ahead, uint64_t loopPass = 0) const {
        const uint64_t next = ahead < m_period ? ahead : m_period;
        const uint32_t pace = Reading(loopPass != 0);
        uint64_t most = m_target;
        if (loopPass) {
            const uint64_t pass = ToClock(loopPass) > m_base ? ToClock(loopPass) : m_base;
            if (pass < most) most = pass;
        }
        return ahead > 0 && (onDevice + next) * kClockPace / pace <= most;
    }
    // The device's frames per frame of the clock, in sixteenths, as measured
    // (the clock's own until then).
    uint32_t Pace() const { return m_pace; }
    bool PaceKnown() const { return m_paceKnown; }
    // The program paused the device (true) or restarted it: a paused device
    // takes nothing, so until its pace is known it is handed only the lead
    // read at the clock's pace (a knob turn made before it plays is heard at
    // once), and the long one when it plays.
    void Hold(bool paused) { m_paused = paused; }

    static const uint32_t kClockPace = 16;
    static const uint32_t kMostPace = 8;  // times the clock's: the fastest device believed

private:
    uint64_t ToClock(uint64_t frames) const { return frames * kClockPace / m_pace; }
    // The pace the lead handed to the device is read at: the fastest believed
    // until the pace is known, save in a loop or while paused.
    uint32_t Reading(bool inLoop) const { return m_paceKnown || inLoop || m_paused ? m_pace : kClockPace * kMostPace; }
    void Measure(uint64_t played, uint64_t elapsed);

    uint64_t m_period, m_base, m_max, m_target;
    uint64_t m_calm = 0;   // frames played since the lead last grew or shrank
    uint64_t m_stall = 0;  // the longest gap between two looks (and a period), fading
    uint32_t m_pace = kClockPace;
    bool m_paceKnown = false, m_paused = false;
    uint64_t m_paceFrames = 0, m_paceClock = 0;  // played and clock frames of the pace being measured
};

}  // namespace fxengine

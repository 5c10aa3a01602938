// The engine renders the program's sound in periods of a fixed duration and
// keeps a lead of them on the real device (FeedLead): short, so a knob turn
// is heard within about 50 ms (a period is written while the device holds no
// more than the lead less one period, and is shorter than one and a half),
// longer at the start and where the device came close to running dry.
// Periods are longer than the 10 ms a system mixer works in: a mixer that
// finds less than its own period waiting may play silence first (Wine's does).
#pragma once

#include <stdint.h>

namespace fxengine {

const uint32_t kPeriodMs = 15;
const uint32_t kBaseLeadMs = 45;  // at the start, and on a machine that keeps up
const uint32_t kMaxLead = 134;    // periods, 2 s: the most kept on the device

inline uint32_t PeriodFrames(uint32_t sampleRate) {
    const uint32_t frames = sampleRate * kPeriodMs / 1000;
    return frames < 32 ? 32 : frames;
}

}  // namespace fxengine

// The engine renders the program's sound in periods of a fixed duration and
// keeps a lead of them on the real device (FeedLead): short, so a knob turn
// is heard within 50 ms (a period is written while the device holds less
// than the lead less one period, and may be up to one and a half periods
// long), longer where the device came close to running dry.
#pragma once

#include <stdint.h>

namespace fxengine {

const uint32_t kPeriodMs = 10;
const uint32_t kBaseLead = 4;   // periods at the start, and on a machine that keeps up
const uint32_t kMaxLead = 200;  // periods: 2 s

inline uint32_t PeriodFrames(uint32_t sampleRate) {
    const uint32_t frames = sampleRate * kPeriodMs / 1000;
    return frames < 32 ? 32 : frames;
}

}  // namespace fxengine

// How far ahead of the real device the engine works: it renders in periods
// and keeps a few of them on the device, so a knob turn is heard within
// kPeriods * kPeriodMs of the message, however much the program queued.
// Fewer, longer periods cost less processor time (each is one write to the
// device); more, shorter ones survive a busy machine better.
#pragma once

#include <stdint.h>

namespace fxengine {

const int kPeriods = 3;
const uint32_t kPeriodMs = 15;

inline uint32_t PeriodFrames(uint32_t sampleRate) {
    const uint32_t frames = sampleRate * kPeriodMs / 1000;
    return frames < 32 ? 32 : frames;
}

}  // namespace fxengine

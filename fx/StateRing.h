// A ring buffer inside an effect's state. Only its `count` entries from
// `first` on (wrapping at `size`) are read again before being overwritten,
// so a saved state keeps those alone (FxChain::SaveState).
#pragma once

#include <stdint.h>

namespace fx {

struct StateRing {
    enum Kind : uint8_t {
        kLive,    // a running stage's history
        kSilent,  // a resting stage's: all zero, as it starts again from silence
        kStale,   // cleared before its next use: nothing to keep
    };
    void* base;
    uint32_t elemBytes, size, first, count;
    Kind kind;
};

}  // namespace fx

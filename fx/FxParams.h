// The effect state the engine keeps: every value the console's control
// messages carry. Plain data without pointers, trivially copyable, so it can
// live in memory shared by processes (the wave hook keeps one copy for all).
#pragma once

#include <stdint.h>

#include <type_traits>

namespace fx {

struct FxParams {
    uint32_t enable3D;  // loudspeaker widening switched on
    uint32_t enableVibe;
    uint32_t enableHeadphones;  // crossfeed instead of widening
    uint32_t enableSoundfields;
    uint32_t enableAux;       // carried, no sound of its own
    float level3D;            // 0..1 (knob / 11)
    float level3DScaled;      // an eighth of level3D: depth of the widening
    int32_t headphonesLevel;  // 8..90: crossfeed amount
    float vibe[3];            // levels 1, 2, 3: bass, bass body, brightness
    float soundfields;        // 0..1: share of the ambience
    float masterGain;         // linear, 1.0 = unchanged
    uint32_t status;          // relayed status value, kept only
    uint32_t serial;          // bumped by every change
};

static_assert(std::is_trivially_copyable<FxParams>::value && std::is_standard_layout<FxParams>::value,
              "FxParams is shared between processes as plain bytes");
static_assert(sizeof(FxParams) == 60, "the same layout in every build");

// The state before any message: everything off, gain 1.0.
void FxParams_Reset(FxParams* p);

// One control message exactly as the console sends it (4-byte payload, int
// or float by code). Unknown code or a payload shorter than 4 bytes: false
// and nothing changed. A message that changes a value bumps serial.
bool FxParams_Apply(FxParams* p, uint32_t code, const void* payload, uint32_t size);

}  // namespace fx

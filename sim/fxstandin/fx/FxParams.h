// Stand-in for the effects library's engine state, used only while the real
// library (fx/ at the top level) is not in the tree: the same names and
// signatures, so the wave hook builds and its plumbing can be tested.
#pragma once

#include <stdint.h>

namespace fx {

struct FxParams {
    uint32_t enable3D, headphonesEnable, headphonesLevel, vibeEnable, soundfieldsEnable, auxEnable, status;
    float level3D, level3DScaled, vibe[3], soundfieldsLevel, masterGain;
    uint32_t serial;
};

void FxParams_Reset(FxParams* p);
bool FxParams_Apply(FxParams* p, uint32_t code, const void* payload, uint32_t size);

}  // namespace fx

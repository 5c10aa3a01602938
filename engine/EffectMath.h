// Knob positions to engine payloads. The arithmetic runs in double precision
// (53-bit) and a float result is rounded to single precision once, when
// stored; the engine compares these bit for bit.
#pragma once

#include <cstdint>

namespace EffectMath {

// One eleventh in the two precisions the formulas use.
extern const float K32;
extern const double K64;

// Headphones on: integer 3D level; position 0 counts as 1.
int32_t HeadphonesLevel(int32_t position);
// Headphones off: the 3D level and its scaled form (an eighth of it).
float Level3D(int32_t position);
float Level3DScaled(int32_t position);
// Vibe and Soundfields: position / 11 as a float.
float KnobLevel(int32_t position);
// Master volume: trackbar position 0..20 as a linear gain (1 dB a step).
float MasterGain(int32_t position);

// The 4 payload bytes of a float, as the engine reads them.
uint32_t FloatBits(float value);

}  // namespace EffectMath

// What the capture device heard of a DirectSound player: the mixer's frames
// as 16-bit stereo, the frames that sound, and how they compare.
#pragma once

#include "fx/FxParams.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dscapture {

// What the mixer wrote, as 16-bit stereo frames. The capture (raw, as
// tools/audio-capture.sh sets it up) is in the mixer's format: this Wine's
// mixer writes 32-bit float stereo at 48 kHz. A sample that is not a 16-bit
// one fails the comparison later.
std::vector<int16_t> Decode(const std::string& capture);

// The frames that sound, in order: the mixer may put silence anywhere it
// came late (a busy machine), which says nothing about the effects.
std::vector<int16_t> Sounding(const std::vector<int16_t>& frames, size_t* gaps = nullptr);

constexpr size_t kSame = static_cast<size_t>(-1);

// The frames heard compared with `expected` (stereo), stretch by stretch:
// each stretch of sound between the mixer's gaps must go on from where the
// last one ended, or (the mixer came late there) from further on, never from
// earlier, with at most 2% of the frames missing so. The first sounding
// frame heard that is not so (a frame nobody wrote, the effects missing,
// anything heard twice, sound lost), the count of frames heard if some
// expected ones are left, or kSame.
size_t FirstDifference(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected);

// Bit for bit, but in whatever order: the first sounding frame heard that is
// not in a run of at least four frames of `signal`'s (anywhere in it), or
// kSame. What a program that fell behind sounds like: laps of its ring heard
// again, parts of its stream never heard, and nothing that it did not write.
size_t NotOfTheSignal(const std::vector<int16_t>& captured, const std::vector<int16_t>& signal);

// The DirectSound player's stereo signal of `frames` frames at `rate`, as
// written or, given a state, as the effects render it; without its last
// tenth of a second, which the device may not pass on before the program ends.
std::vector<int16_t> PlayerSignal(uint32_t rate, uint32_t frames, const fx::FxParams* state = nullptr);

// Amplitude of the mid (L+R) at `hz` over the first `frames` frames (Goertzel).
double Level(const std::vector<int16_t>& s, size_t frames, double hz, uint32_t rate);

// Energy of the side (L-R) over the first `frames` frames: what the widening adds to.
double Side(const std::vector<int16_t>& s, size_t frames);

}  // namespace dscapture

// A piece of sound through the effects, and the fair comparison of before and
// after: both measured, and on request the after at the before's loudness.
#pragma once

#include <string>

#include "fx/FxParams.h"
#include "korvfx/AudioFile.h"
#include "korvfx/Loudness.h"

namespace korvfx {

// The whole of in through one fresh chain, in buffers like a player's, in
// the layout it came in. False with a reason when the chain does not take it.
bool RenderAudio(const Audio& in, const fx::FxParams& params, Audio* out, std::string* error);

struct Comparison {
    Audio after;
    Loudness before, afterLoudness;
    double matchDb = 0.0;  // the gain --match-loudness added to the master volume
};

// Renders in and measures both. With matchLoudness the master gain is set
// so that after is as loud as before; the chain's limiter still keeps the
// peaks below full scale, and since it may take a little off, the gain is
// corrected again from what came out.
bool RenderCompared(const Audio& in, const fx::FxParams& params, bool matchLoudness, Comparison* out,
                    std::string* error);

}  // namespace korvfx

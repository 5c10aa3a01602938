// A piece of sound through the effects, and a fair comparison of before and
// after: the integrated loudness (EBU R128) and true peak of both, and on
// request the after at the before's loudness.
#pragma once

#include <string>

#include "fx/FxParams.h"
#include "korvfx/AudioFile.h"

namespace korvfx {

struct Loudness {
    double lufs = 0.0;        // -inf for silence
    double truePeakDb = 0.0;  // dBTP, between the samples too; -inf for silence
};

bool MeasureLoudness(const Audio& audio, Loudness* out, std::string* error);
// "-14.2 LUFS, true peak -1.3 dBTP"
std::string DescribeLoudness(const Loudness& l);

// The whole of in through one fresh chain, in buffers like a player's, in
// the layout it came in. False with a reason when the chain does not take it.
bool RenderAudio(const Audio& in, const fx::FxParams& params, Audio* out, std::string* error);

struct Comparison {
    Audio after;
    Loudness before, afterLoudness;
    double matchDb = 0.0;  // the gain --match-loudness added to the master volume
};

// Renders in and measures both; with matchLoudness, with the master gain
// that makes after as loud as before (the limiter still keeps the peaks
// below full scale).
bool RenderCompared(const Audio& in, const fx::FxParams& params, bool matchLoudness, Comparison* out,
                    std::string* error);

}  // namespace korvfx

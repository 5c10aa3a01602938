// How loud a piece of sound is, as a listener compares two: integrated
// loudness (EBU R128, LUFS) and true peak (dBTP, between the samples too).
#pragma once

#include <string>

#include "korvfx/AudioFile.h"

namespace korvfx {

struct Loudness {
    double lufs = 0.0;        // -inf for silence
    double truePeakDb = 0.0;  // -inf for silence
};

bool MeasureLoudness(const Audio& audio, Loudness* out, std::string* error);

// "-14.2 LUFS, true peak -1.3 dBTP"
std::string DescribeLoudness(const Loudness& l);

}  // namespace korvfx

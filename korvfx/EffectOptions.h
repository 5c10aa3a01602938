// The effect options of korvfx's command line: knob settings (--3d N --vibe N
// --soundfields N --headphones --master DB) or a journal (--journal FILE),
// turned into the engine state, and --match-loudness.
#pragma once

#include <string>
#include <vector>

#include "fx/FxParams.h"

namespace korvfx {

struct EffectOptions {
    fx::FxParams params{};
    std::string summary;         // in words, for the user
    bool matchLoudness = false;  // --match-loudness: the after file as loud as the before
};

// False with a reason for an unknown option, a bad number, or knobs mixed
// with a journal.
bool ParseEffectOptions(const std::vector<std::string>& args, EffectOptions* out, std::string* error);

// "3D 1.000, Vibe 0.545, Soundfields 0.000, headphones off (level 8), master 0.891"
std::string DescribeParams(const fx::FxParams& p);

}  // namespace korvfx

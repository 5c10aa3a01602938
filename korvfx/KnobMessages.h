// Console settings (knob positions, headphones button, the About window's
// master volume) turned into the control messages the console sends for them,
// with the console's own payload arithmetic, and those messages into the
// engine state.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "engine/EngineMessage.h"
#include "fx/FxParams.h"

namespace korvfx {

struct KnobSettings {
    int32_t position3D = 0;  // 0..11
    int32_t vibe = 0;
    int32_t soundfields = 0;
    bool headphones = false;
    int32_t masterDb = 0;  // -20..0, 1 dB steps like the trackbar
};

// False with a reason when a value is outside what the controls offer.
bool Validate(const KnobSettings& s, std::string* error);

// What a console starting with these settings sends: headphones mode and 3D
// level, Vibe, Soundfields, the two switch-ons, then the master volume.
std::vector<EngineMessage> KnobMessages(const KnobSettings& s);

// The engine state after these messages, from the state before any.
fx::FxParams ParamsFromMessages(const std::vector<EngineMessage>& messages);

}  // namespace korvfx

// One picture of what the effects did to a piece of sound: the loudness and
// true peak before and after, the spectrum before and after, the stereo width
// (side against mid) before and after, and the impulse response of the chain
// at the same settings. Drawn with cairo, PNG or SVG by the path's extension.
#pragma once

#include <string>

#include "fx/FxParams.h"
#include "korvfx/AudioFile.h"
#include "korvfx/Render.h"

namespace korvfx {

// False for another extension or when the file cannot be written; nothing
// is left behind then.
bool WriteReport(const std::string& path, const Audio& before, const Comparison& compared, const fx::FxParams& params,
                 const std::string& title, std::string* error);

}  // namespace korvfx

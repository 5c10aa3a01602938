// One picture of what the effects did to a piece of sound: the spectrum
// before and after, the stereo width (side against mid) before and after,
// and the impulse response of the chain at the same settings.
#pragma once

#include <string>

#include "fx/FxParams.h"
#include "korvfx/Canvas.h"
#include "korvfx/WavFile.h"

namespace korvfx {

// before and after: 8- or 16-bit PCM at the same rate. False with a reason.
bool DrawReport(const WavFile& before, const WavFile& after, const fx::FxParams& params, const std::string& title,
                Canvas* canvas, std::string* error);

}  // namespace korvfx

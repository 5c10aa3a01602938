// The effects' view of a program's WAVEFORMATEX (given as its bytes, as the
// program laid them out): plain PCM and float, and the extensible form with
// a PCM or float subformat. False for anything else.
#pragma once

#include <stddef.h>

#include "fx/FxFormat.h"

namespace fxengine {

const unsigned short kWaveFormatFloat = 3;
const unsigned short kWaveFormatExtensible = 0xFFFE;

bool WaveFormat_ToFx(const void* waveFormat, size_t bytes, fx::FxFormat* out);

}  // namespace fxengine

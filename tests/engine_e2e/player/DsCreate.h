// How the player (api=ds) gets its DirectSound object, in the ways programs do:
//   ds:     DirectSoundCreate (imported);
//   ds8:    DirectSoundCreate8 (imported);
//   lookup: DirectSoundCreate8 looked up by name in dsound.dll;
//   com:    CoCreateInstance(CLSID_DirectSound) and Initialize, as COM-based
//           libraries get theirs;
//   com8:   the same with CLSID_DirectSound8.
#pragma once

#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include <string>

namespace dscreate {

bool Known(const std::string& way);
// Whether the way gives an 8 object (its buffers are then used through
// IDirectSoundBuffer8, as programs written for it do).
bool Eight(const std::string& way);
// The object, or null.
IDirectSound* Create(const std::string& way);

}  // namespace dscreate

// Finds a short sound's bytes as the system would for PlaySound: a file (as
// given, then on the search path), an event alias (the [sounds] profile
// section and the sound scheme's .Default and .Current under AppEvents), a
// WAVE resource or the program's memory. Whenever the system's choice is
// not certain (the places disagree, a default sound would stand in, a
// relative alias path) it finds nothing, and the system plays the sound.
#pragma once

#include <windows.h>

#include "SoundBytes.h"
#include "fxengine/shortsound/SoundRequest.h"

namespace fxengine {

class SoundSource {
public:
    // name: the sound's string (ANSI) for the string kinds, else the raw
    // first argument; noDefault: SND_NODEFAULT. Empty when not found.
    static SoundBytes Load(SoundKind kind, const void* name, HMODULE module, bool noDefault);

private:
    enum class Lookup { None, Found, Unsure };
    static Lookup AliasPath(const char* name, bool noDefault, char* path);
    static SoundBytes ReadFile(const char* path, bool search);
    static SoundBytes FromResource(const void* name, HMODULE module);
    static SoundBytes FromMemory(const void* image);
};

}  // namespace fxengine

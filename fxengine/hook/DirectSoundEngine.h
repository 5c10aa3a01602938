// DirectSound in a process the engine joined: the two creation entries
// (imported, or looked up by name) and the class object COM looks up are
// redirected to the engine's, which hand the program a DirectSoundProxy; its secondary buffers play through the
// effects (BufferStream). Nothing happens in a process that never loads dsound.
#pragma once

#include <windows.h>

#include "ImportPatcher.h"

namespace fxengine {

class DirectSoundEngine {
public:
    static constexpr int kRedirects = 3;

    // Once dsound is loaded: its creation entries and the engine's, written to
    // `out` (room for kRedirects); returns how many.
    static int Redirects(ImportRedirect* out);
    // The engine's entry for a real one a program looked up (null: not one of them).
    static FARPROC Replace(FARPROC real);
    static void Shutdown();  // the library leaves the process

    // Finds dsound's entries once it is loaded (a loader call: never under
    // the engine's lock).
    static bool Resolve();
};

}  // namespace fxengine

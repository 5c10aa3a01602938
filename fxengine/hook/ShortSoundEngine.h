// PlaySound and sndPlaySound in a process the engine joined: the program's
// calls (imported, or looked up by name) come here. A sound the engine can
// find and play exactly as the system would plays through the engine
// (ShortSoundPlayer); anything else goes to the system's entry unchanged,
// after the engine's own sound has stopped, as a new sound stops the last.
#pragma once

#include <windows.h>

#include "ImportPatcher.h"

namespace fxengine {

class ShortSoundEngine {
public:
    static constexpr int kRedirects = 5;

    // The system's entries, from the loaded winmm (a loader call: never
    // under the engine's lock).
    static void Resolve(HMODULE winmm);
    // The real entries and the engine's, written to `out` (room for
    // kRedirects); returns how many.
    static int Redirects(ImportRedirect* out);
    // The engine's entry for a real one a program looked up (null: not one of them).
    static FARPROC Replace(FARPROC real);

private:
    struct Call;
    static BOOL Take(const Call& call);
    static BOOL Pass(const Call& call, DWORD flags);
    static BOOL Real(const Call& call);

    static BOOL WINAPI PlayA(LPCSTR sound, HMODULE module, DWORD flags);
    static BOOL WINAPI PlayW(LPCWSTR sound, HMODULE module, DWORD flags);
    static BOOL WINAPI SndA(LPCSTR sound, UINT flags);
    static BOOL WINAPI SndW(LPCWSTR sound, UINT flags);
};

}  // namespace fxengine

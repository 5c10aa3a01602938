// The system's own waveOut entries and the loader entries the engine takes
// over, looked up once when the engine joins a process. Calling through these
// never comes back into the engine.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

namespace fxengine {

struct RealWaveOut {
    MMRESULT(WINAPI* open)(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) = nullptr;
    MMRESULT(WINAPI* close)(HWAVEOUT) = nullptr;
    MMRESULT(WINAPI* prepare)(HWAVEOUT, LPWAVEHDR, UINT) = nullptr;
    MMRESULT(WINAPI* unprepare)(HWAVEOUT, LPWAVEHDR, UINT) = nullptr;
    MMRESULT(WINAPI* write)(HWAVEOUT, LPWAVEHDR, UINT) = nullptr;
    MMRESULT(WINAPI* reset)(HWAVEOUT) = nullptr;
    MMRESULT(WINAPI* breakLoop)(HWAVEOUT) = nullptr;
    MMRESULT(WINAPI* pause)(HWAVEOUT) = nullptr;
    MMRESULT(WINAPI* restart)(HWAVEOUT) = nullptr;

    HMODULE(WINAPI* loadLibraryA)(LPCSTR) = nullptr;
    HMODULE(WINAPI* loadLibraryW)(LPCWSTR) = nullptr;
    HMODULE(WINAPI* loadLibraryExA)(LPCSTR, HANDLE, DWORD) = nullptr;
    HMODULE(WINAPI* loadLibraryExW)(LPCWSTR, HANDLE, DWORD) = nullptr;
    FARPROC(WINAPI* getProcAddress)(HMODULE, LPCSTR) = nullptr;

    // Fills every entry from the loaded winmm and kernel32; false when one is missing.
    bool Resolve(HMODULE winmm);
    // Only kernel32's entries (a process that has no winmm yet).
    bool ResolveLoader();
};

// The one table of the process (filled when the engine joins it).
extern RealWaveOut g_real;

// An entry's address as its module exports it, never what a redirected
// GetProcAddress answers: another engine library in the process (another
// copy's, an older host's during an update) would hand over its own entries,
// and the sound would go through both. A forwarded entry is the loader's to find.
FARPROC ExportedEntry(HMODULE module, const char* name);

}  // namespace fxengine

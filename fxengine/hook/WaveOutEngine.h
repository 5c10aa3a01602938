// The engine inside one process: takes over the process's waveOut output by
// redirecting the winmm entries its modules import (and those looked up or
// loaded later), and keeps one EngineDevice per device opened while the
// engine is present. Once joined, the library stays in the process until it
// ends: a thread may hold an entry's address at any moment, so leaving is
// never safe. Without the hook every entry passes straight through, and a
// process without an open device has no thread of ours.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

namespace fxengine {

class EngineDevice;

class WaveOutEngine {
public:
    static void Init(HMODULE self);  // DllMain, process attach
    static void Shutdown();          // DllMain, process detach by FreeLibrary

    // Joins the process if it has winmm; otherwise watches its loads (the
    // loader's entries redirected) and joins as soon as winmm comes.
    static void JoinThisProcess();
    static bool Joined();
    // This process was looked at: joined, watched or excluded. The hooks
    // look once per process, not at every message.
    static bool Looked();

private:
    friend class ShortSoundPlayer;  // its sounds play through the engine's entries

    static bool Join();
    static bool Watch();
    static void Rescan();
    static void AfterLoad(HMODULE loaded);
    static void PatchBrought(HMODULE loaded);
    static void SetRedirects(bool waveOut);

    // The device behind a handle, with a reference the caller releases.
    static EngineDevice* Find(HWAVEOUT h);
    static bool Add(EngineDevice* device);
    static void Remove(EngineDevice* device);

    static MMRESULT WINAPI Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                DWORD_PTR instance, DWORD flags);
    static MMRESULT WINAPI Close(HWAVEOUT h);
    static MMRESULT WINAPI Prepare(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Unprepare(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Write(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Reset(HWAVEOUT h);
    static MMRESULT WINAPI BreakLoop(HWAVEOUT h);
    static MMRESULT WINAPI Pause(HWAVEOUT h);
    static MMRESULT WINAPI Restart(HWAVEOUT h);
    static HMODULE WINAPI LoadA(LPCSTR name);
    static HMODULE WINAPI LoadW(LPCWSTR name);
    static HMODULE WINAPI LoadExA(LPCSTR name, HANDLE file, DWORD flags);
    static HMODULE WINAPI LoadExW(LPCWSTR name, HANDLE file, DWORD flags);
    static FARPROC WINAPI ProcAddress(HMODULE module, LPCSTR name);
};

}  // namespace fxengine

// The engine inside one process: takes over the process's waveOut output by
// redirecting the winmm entries its modules import (and those looked up or
// loaded later), keeps one EngineDevice per device opened meanwhile, and
// leaves again once the hook is gone and no such device is open.
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

    // Called while the hook is set, from the message hook in every process
    // and from the hook entry: joins the process once it uses winmm, and
    // now and then looks for modules that came since.
    static void JoinThisProcess();
    static bool Joined();

private:
    static bool Join();
    static void Redirect();
    static bool Leave();  // false: not now (the hook is back, or a device is open)
    static void Rescan();
    static void Pin();
    static DWORD WINAPI Watch(LPVOID);

    static EngineDevice* Find(HWAVEOUT h);
    static bool Add(EngineDevice* device);
    static void Remove(EngineDevice* device);
    static int OpenDevices();

    static MMRESULT WINAPI Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                DWORD_PTR instance, DWORD flags);
    static MMRESULT WINAPI Close(HWAVEOUT h);
    static MMRESULT WINAPI Prepare(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Unprepare(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Write(HWAVEOUT h, LPWAVEHDR header, UINT size);
    static MMRESULT WINAPI Reset(HWAVEOUT h);
    static HMODULE WINAPI LoadA(LPCSTR name);
    static HMODULE WINAPI LoadW(LPCWSTR name);
    static HMODULE WINAPI LoadExA(LPCSTR name, HANDLE file, DWORD flags);
    static HMODULE WINAPI LoadExW(LPCWSTR name, HANDLE file, DWORD flags);
    static FARPROC WINAPI ProcAddress(HMODULE module, LPCSTR name);
};

}  // namespace fxengine

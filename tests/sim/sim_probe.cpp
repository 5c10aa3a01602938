// Child of the device and engine tests, started with a Windows version chosen
// through Wine's AppDefaults.
//   sim_probe 9x|nt      opens both devices the way Korvane does on that
//                        system, sends one master-volume message to each and
//                        closes them; exit code 0 when everything worked
//   sim_probe lateplay [ds]
//                        a window program that does not import winmm: once its
//                        window is up it loads winmm (ds: dsound) itself and
//                        opens a device at once, as programs that delay-load
//                        it do; exit code 0 when the entry it found is the
//                        engine's
//   sim_probe loaderrace MODULE
//                        a window program without winmm loads MODULE (which
//                        imports winmm: the engine joins; its DllMain makes a
//                        window and loads a library, and loads one for each
//                        new thread), then 300 times each on three threads:
//                        loads and frees a library, loads and frees MODULE,
//                        starts a thread; exit code 0 when all ended within a
//                        minute, 23 on a hang
//   sim_probe hookcost   a window program without winmm handling 100,000
//                        messages (make bench): once its window is up it
//                        prints "ready" and waits for a line on its input;
//                        then prints its processor time in microseconds
//                        and 1 when the wave hook library is in it, else 0
#include <unknwn.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include "BenchEngine.h"
#include "ExportedAddress.h"
#include "engine/ControlCodes.h"

namespace {

enum Exit {
    kOk = 0,
    kUsage = 2,
    kWrongPlatform = 10,
    kNoWdm = 11,
    kNoVxd = 12,
    kSendFailed = 13,
    kNoWinmm = 20,
    kSystemsEntry = 21,
    kNoDevice = 22,
    kHang = 23
};

class Device {
public:
    explicit Device(HANDLE h) : m_h(h) {}
    ~Device() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    bool SendGain(float gain) const {
        DWORD returned = 0;
        return DeviceIoControl(m_h, IOCTL_MASTER_VOLUME, &gain, sizeof(gain), nullptr, 0, &returned, nullptr) != 0;
    }

private:
    HANDLE m_h;
};

HWND FirstWindow() {
    // Its first window, as any window program makes one; the hooks come with it.
    HWND window = CreateWindowA("STATIC", "sim_probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return window;
}

// DirectSound alone (a dsound that does not bring winmm): the object made
// and let go at once.
int LateDirectSound() {
    HWND window = FirstWindow();
    HMODULE dsound = LoadLibraryA("dsound.dll");
    if (!dsound) return kNoWinmm;
    using CreateFn = HRESULT(WINAPI*)(const GUID*, IUnknown**, IUnknown*);
    FARPROC create = GetProcAddress(dsound, "DirectSoundCreate");
    if (!create) return kNoWinmm;
    IUnknown* ds = nullptr;
    if (FAILED(reinterpret_cast<CreateFn>(reinterpret_cast<void (*)()>(create))(nullptr, &ds, nullptr)) || !ds)
        return kNoDevice;
    ds->Release();
    DestroyWindow(window);
    return reinterpret_cast<void*>(create) == ExportedAddress(dsound, "DirectSoundCreate") ? kSystemsEntry : kOk;
}

int LatePlay() {
    HWND window = FirstWindow();
    // In the same handler: load winmm, look the entry up, open.
    HMODULE winmm = LoadLibraryA("winmm.dll");
    if (!winmm) return kNoWinmm;
    using OpenFn = MMRESULT(WINAPI*)(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD);
    using CloseFn = MMRESULT(WINAPI*)(HWAVEOUT);
    FARPROC open = GetProcAddress(winmm, "waveOutOpen");
    FARPROC close = GetProcAddress(winmm, "waveOutClose");
    if (!open || !close) return kNoWinmm;
    WAVEFORMATEX f = {WAVE_FORMAT_PCM, 2, 11025, 11025 * 4, 4, 16, 0};
    HWAVEOUT out = nullptr;
    if (reinterpret_cast<OpenFn>(reinterpret_cast<void (*)()>(open))(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) !=
        MMSYSERR_NOERROR)
        return kNoDevice;
    reinterpret_cast<CloseFn>(reinterpret_cast<void (*)()>(close))(out);
    DestroyWindow(window);
    return reinterpret_cast<void*>(open) == ExportedAddress(winmm, "waveOutOpen") ? kSystemsEntry : kOk;
}

DWORD WINAPI LoadAndFree(LPVOID name) {
    for (int i = 0; i < 300; ++i)
        if (HMODULE m = LoadLibraryA(static_cast<const char*>(name))) FreeLibrary(m);
    return 0;
}

DWORD WINAPI Nothing(LPVOID) {
    return 0;
}

// Each new thread runs MODULE's DllMain under the loader's lock, which loads
// a library through the engine's entry.
DWORD WINAPI StartThreads(LPVOID) {
    for (int i = 0; i < 300; ++i) {
        HANDLE t = CreateThread(nullptr, 0, &Nothing, nullptr, 0, nullptr);
        if (!t) return 1;
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    return 0;
}

int LoaderRace(const char* module) {
    HWND window = FirstWindow();  // its loads watched from here
    // MODULE imports winmm: the engine joins at its load, from the hook its
    // DllMain's window calls or from the loader's entries.
    HMODULE kept = LoadLibraryA(module);
    HMODULE winmm = GetModuleHandleA("winmm.dll");
    if (!kept || !winmm) return kNoWinmm;
    if (GetProcAddress(winmm, "waveOutWrite") == ExportedAddress(winmm, "waveOutWrite")) return kSystemsEntry;
    HANDLE threads[3] = {CreateThread(nullptr, 0, &LoadAndFree, const_cast<char*>("msacm32.dll"), 0, nullptr),
                         CreateThread(nullptr, 0, &LoadAndFree, const_cast<char*>(module), 0, nullptr),
                         CreateThread(nullptr, 0, &StartThreads, nullptr, 0, nullptr)};
    for (HANDLE t : threads)
        if (!t) return kUsage;
    // A hang is the failure: the watchdog ends the wait, not the program's pace.
    if (WaitForMultipleObjects(3, threads, TRUE, 60000) != WAIT_OBJECT_0) return kHang;
    FreeLibrary(kept);
    DestroyWindow(window);
    return kOk;
}

// The benchmark's workload: messages through the queue, as a busy window
// program reads them; every read passes the hooks.
int HookCost() {
    HWND window = FirstWindow();
    if (!window) return kUsage;
    // The bench may set the hooks now, with this program running.
    printf("ready\n");
    fflush(stdout);
    char go[8];
    if (!fgets(go, sizeof(go), stdin)) return kUsage;
    MSG msg;
    const double start = bench::ProcessSeconds();
    for (int i = 0; i < 100000; ++i) {
        PostMessageA(window, WM_USER, 0, 0);
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        DispatchMessageA(&msg);
    }
    // Whether the hooks reached it: the bench's "with" must be with.
    printf("%.0f %d\n", (bench::ProcessSeconds() - start) * 1e6, GetModuleHandleA("WavHok32.dll") != nullptr ? 1 : 0);
    DestroyWindow(window);
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "lateplay") == 0) return LatePlay();
    if (argc == 3 && strcmp(argv[1], "lateplay") == 0 && strcmp(argv[2], "ds") == 0) return LateDirectSound();
    if (argc == 2 && strcmp(argv[1], "hookcost") == 0) return HookCost();
    if (argc == 3 && strcmp(argv[1], "loaderrace") == 0) return LoaderRace(argv[2]);
    if (argc != 2 || (strcmp(argv[1], "9x") != 0 && strcmp(argv[1], "nt") != 0)) return kUsage;
    const bool win9x = strcmp(argv[1], "9x") == 0;

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    if (version.dwPlatformId != (win9x ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT)) return kWrongPlatform;

    Device wdm(CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    // Windows 9x loads a VxD dynamically with this form; on NT the name is an
    // ordinary device.
    Device vxd(
        win9x ? CreateFileA("\\\\.\\Win9xDS", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr)
              : CreateFileA("\\\\.\\Win9xDS", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!wdm.IsOpen()) return kNoWdm;
    if (!vxd.IsOpen()) return kNoVxd;
    if (!vxd.SendGain(1.0f) || !wdm.SendGain(1.0f)) return kSendFailed;
    return kOk;
}

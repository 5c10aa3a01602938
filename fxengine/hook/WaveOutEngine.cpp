#include "WaveOutEngine.h"

#include <new>

#include "DirectSoundEngine.h"  // DirectSound hook-up
#include "EngineDevice.h"
#include "EngineShared.h"
#include "ImportPatcher.h"
#include "RealWaveOut.h"

namespace fxengine {
namespace {

constexpr int kDevices = 32;
constexpr DWORD kRescanMs = 2000;
constexpr DWORD kWatchMs = 100;
constexpr int kRedirects = 11;

HMODULE g_self = nullptr;
HMODULE g_winmm = nullptr;  // held while joined, so the real entries stay valid
CRITICAL_SECTION g_lock;    // joining, leaving, scanning and the device table
bool g_lockReady = false;
volatile LONG g_pinned = 0;  // our own reference is held, the watcher runs
volatile LONG g_joined = 0;  // the imports are redirected
volatile LONG g_calls = 0;   // threads inside one of the redirected entries
// A program that looked an entry up holds the engine's address: then the
// library stays in the process for good (its entries pass straight through).
volatile LONG g_handedOut = 0;
DWORD g_lastScan = 0;
bool g_scanning = false;
EngineDevice* g_devices[kDevices];
// DirectSound hook-up: its creation entries follow the waveOut ones once dsound is loaded.
ImportRedirect g_redirects[kRedirects + DirectSoundEngine::kRedirects];
int g_redirectCount = kRedirects;

class Lock {
public:
    Lock() { EnterCriticalSection(&g_lock); }
    ~Lock() { LeaveCriticalSection(&g_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

// Counts a thread inside a redirected entry, so leaving waits for it.
class Call {
public:
    Call() { __atomic_add_fetch(&g_calls, 1, __ATOMIC_ACQ_REL); }
    ~Call() { __atomic_sub_fetch(&g_calls, 1, __ATOMIC_ACQ_REL); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
};

template <class Fn>
void* Address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

}  // namespace

void WaveOutEngine::Init(HMODULE self) {
    g_self = self;
    InitializeCriticalSection(&g_lock);
    g_lockReady = true;
}

void WaveOutEngine::Shutdown() {
    // Only reached by FreeLibrary, which happens after Leave (our own
    // reference keeps the library while joined).
    DirectSoundEngine::Shutdown();  // DirectSound hook-up
    if (g_lockReady) DeleteCriticalSection(&g_lock);
    g_lockReady = false;
}

bool WaveOutEngine::Joined() {
    return __atomic_load_n(&g_joined, __ATOMIC_ACQUIRE) != 0;
}

// The loader's own lock is never taken while holding ours (a library loaded
// from some DllMain comes into LoadA and friends with the loader's lock
// held, and they take ours): loads and frees happen outside it.
void WaveOutEngine::JoinThisProcess() {
    if (!g_lockReady) return;
    if (!__atomic_load_n(&g_pinned, __ATOMIC_ACQUIRE)) Pin();
    bool joined;
    {
        // Under the lock: the watcher may be leaving right now.
        Lock lock;
        joined = Joined();
        if (joined && GetTickCount() - g_lastScan >= kRescanMs) Rescan();
    }
    // Processes that never play stay as they are.
    if (!joined && GetModuleHandleA("winmm.dll")) Join();
}

void WaveOutEngine::Pin() {
    // Our own reference: the system may hold a hook library only for the
    // call of the hook, but the engine must stay until the hook is gone and
    // every device it follows is closed. The watcher lets go then.
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_self, path, sizeof(path))) return;
    HMODULE reference = LoadLibraryA(path);
    if (!reference) return;
    {
        Lock lock;
        if (!g_pinned) {
            HANDLE watcher = CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
            if (watcher) {
                CloseHandle(watcher);
                __atomic_store_n(&g_pinned, 1, __ATOMIC_RELEASE);
                return;
            }
        }
    }
    FreeLibrary(reference);  // pinned meanwhile, or no watcher to let go
}

bool WaveOutEngine::Join() {
    HMODULE winmm = LoadLibraryA("winmm.dll");
    if (!winmm) return false;
    {
        Lock lock;
        if (!Joined()) {
            if (!g_winmm) {
                if (!g_real.Resolve(winmm)) {
                    winmm = nullptr;  // freed below
                } else {
                    g_winmm = winmm;  // held while joined
                    winmm = nullptr;
                }
            }
            if (g_winmm) Redirect();
        }
    }
    if (winmm) FreeLibrary(winmm);
    return Joined();
}

void WaveOutEngine::Redirect() {
    const ImportRedirect redirects[kRedirects] = {
        {Address(g_real.open), Address(&Open)},
        {Address(g_real.close), Address(&Close)},
        {Address(g_real.prepare), Address(&Prepare)},
        {Address(g_real.unprepare), Address(&Unprepare)},
        {Address(g_real.write), Address(&Write)},
        {Address(g_real.reset), Address(&Reset)},
        {Address(g_real.loadLibraryA), Address(&LoadA)},
        {Address(g_real.loadLibraryW), Address(&LoadW)},
        {Address(g_real.loadLibraryExA), Address(&LoadExA)},
        {Address(g_real.loadLibraryExW), Address(&LoadExW)},
        {Address(g_real.getProcAddress), Address(&ProcAddress)},
    };
    for (int i = 0; i < kRedirects; ++i) g_redirects[i] = redirects[i];
    __atomic_store_n(&g_joined, 1, __ATOMIC_RELEASE);
    Rescan();
}

void WaveOutEngine::Rescan() {
    Lock lock;
    if (!Joined() || g_scanning) return;  // a load made while scanning
    g_scanning = true;
    g_redirectCount = kRedirects + DirectSoundEngine::Redirects(g_redirects + kRedirects);  // DirectSound hook-up
    ImportPatcher::PatchAll(g_self, g_redirects, g_redirectCount);
    g_lastScan = GetTickCount();
    g_scanning = false;
}

bool WaveOutEngine::Leave() {
    {
        // The decision and the putting back under one lock, so a hook set
        // again in between joins afresh instead of finding us half gone.
        Lock lock;
        if (EngineShared::HookActive() || OpenDevices() > 0 || DirectSoundEngine::Busy()) return false;
        if (Joined()) {
            ImportRedirect back[kRedirects + DirectSoundEngine::kRedirects];
            for (int i = 0; i < g_redirectCount; ++i) back[i] = {g_redirects[i].to, g_redirects[i].from};
            ImportPatcher::PatchAll(g_self, back, g_redirectCount);
            __atomic_store_n(&g_joined, 0, __ATOMIC_RELEASE);
        }
    }
    // A thread may have taken a redirected entry just before it was put back.
    for (int i = 0; i < 50 && __atomic_load_n(&g_calls, __ATOMIC_ACQUIRE) != 0; ++i) Sleep(20);
    Sleep(50);
    return true;
}

DWORD WINAPI WaveOutEngine::Watch(LPVOID) {
    // Devices opened under the hook play on (with the effects gliding out)
    // until the program closes them; then the process is left as it was.
    HMODULE winmm = nullptr;
    for (;;) {
        Sleep(kWatchMs);
        if (EngineShared::HookActive() || OpenDevices() > 0 || DirectSoundEngine::Busy() || !Leave()) continue;
        Lock lock;
        if (EngineShared::HookActive()) continue;  // set again meanwhile: its next message joins
        EngineShared::ReleaseProcess();
        // Someone holds an entry's address: stay, passing everything through.
        if (__atomic_load_n(&g_handedOut, __ATOMIC_ACQUIRE)) return 0;
        winmm = g_winmm;
        g_winmm = nullptr;
        __atomic_store_n(&g_pinned, 0, __ATOMIC_RELEASE);
        break;
    }
    if (winmm) FreeLibrary(winmm);
    FreeLibraryAndExitThread(g_self, 0);
}

EngineDevice* WaveOutEngine::Find(HWAVEOUT h) {
    if (!h) return nullptr;
    Lock lock;
    for (EngineDevice* d : g_devices)
        if (d && d->Handle() == h) return d;
    return nullptr;
}

bool WaveOutEngine::Add(EngineDevice* device) {
    Lock lock;
    for (EngineDevice*& d : g_devices)
        if (!d) {
            d = device;
            return true;
        }
    return false;
}

void WaveOutEngine::Remove(EngineDevice* device) {
    Lock lock;
    for (EngineDevice*& d : g_devices)
        if (d == device) d = nullptr;
}

int WaveOutEngine::OpenDevices() {
    Lock lock;
    int n = 0;
    for (EngineDevice* d : g_devices) n += d != nullptr;
    return n;
}

MMRESULT WINAPI WaveOutEngine::Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                    DWORD_PTR instance, DWORD flags) {
    Call call;
    // Queries, formats the effects do not take, and anything after the hook
    // went: the program's own call, untouched.
    if ((flags & WAVE_FORMAT_QUERY) || !handle || !format || !EngineShared::HookActive())
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    EngineDevice* device = new (std::nothrow) EngineDevice(flags & CALLBACK_TYPEMASK, callback, instance);
    if (!device) return g_real.open(handle, deviceId, format, callback, instance, flags);
    if (!device->Accepts(*format)) {
        delete device;
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    }
    const MMRESULT r = device->Open(handle, deviceId, format, flags);
    if (r != MMSYSERR_NOERROR) {
        delete device;
        return r;
    }
    if (!Add(device)) {
        // No room to follow one more device: give the program a plain one.
        device->Close();
        delete device;
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    }
    return r;
}

MMRESULT WINAPI WaveOutEngine::Close(HWAVEOUT h) {
    Call call;
    EngineDevice* device = Find(h);
    if (!device) return g_real.close(h);
    const MMRESULT r = device->Close();
    if (r == MMSYSERR_NOERROR) {
        Remove(device);
        delete device;
    }
    return r;
}

MMRESULT WINAPI WaveOutEngine::Prepare(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Call call;
    EngineDevice* device = Find(h);
    return device ? device->Prepare(header, size) : g_real.prepare(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Unprepare(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Call call;
    EngineDevice* device = Find(h);
    return device ? device->Unprepare(header, size) : g_real.unprepare(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Write(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Call call;
    EngineDevice* device = Find(h);
    return device ? device->Write(header, size) : g_real.write(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Reset(HWAVEOUT h) {
    Call call;
    EngineDevice* device = Find(h);
    return device ? device->Reset() : g_real.reset(h);
}

HMODULE WINAPI WaveOutEngine::LoadA(LPCSTR name) {
    Call call;
    HMODULE m = g_real.loadLibraryA(name);
    if (m) Rescan();
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadW(LPCWSTR name) {
    Call call;
    HMODULE m = g_real.loadLibraryW(name);
    if (m) Rescan();
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadExA(LPCSTR name, HANDLE file, DWORD flags) {
    Call call;
    HMODULE m = g_real.loadLibraryExA(name, file, flags);
    if (m && !(flags & LOAD_LIBRARY_AS_DATAFILE)) Rescan();
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadExW(LPCWSTR name, HANDLE file, DWORD flags) {
    Call call;
    HMODULE m = g_real.loadLibraryExW(name, file, flags);
    if (m && !(flags & LOAD_LIBRARY_AS_DATAFILE)) Rescan();
    return m;
}

FARPROC WINAPI WaveOutEngine::ProcAddress(HMODULE module, LPCSTR name) {
    Call call;
    FARPROC p = g_real.getProcAddress(module, name);
    // A program that looks the entries up gets the engine's, as importers do.
    if (Joined())
        for (int i = 0; i < 6; ++i)
            if (p && reinterpret_cast<void*>(p) == g_redirects[i].from) {
                __atomic_store_n(&g_handedOut, 1, __ATOMIC_RELEASE);
                return reinterpret_cast<FARPROC>(g_redirects[i].to);
            }
    // DirectSound hook-up: its creation entries looked up by name.
    if (FARPROC ours = Joined() ? DirectSoundEngine::Replace(p) : nullptr) {
        __atomic_store_n(&g_handedOut, 1, __ATOMIC_RELEASE);
        return ours;
    }
    return p;
}

}  // namespace fxengine

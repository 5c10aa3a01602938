#include "WaveOutEngine.h"

#include <new>

#include "DirectSoundEngine.h"
#include "EngineDevice.h"
#include "EngineShared.h"
#include "ExclusionList.h"
#include "ImportPatcher.h"
#include "RealWaveOut.h"
#include "ShortSoundEngine.h"
#include "ShortSoundPlayer.h"
#include "settings/SettingsRules.h"

namespace fxengine {
namespace {

constexpr int kDevices = 32;
constexpr int kWaveEntries = 9;  // the first entries of the table below
constexpr int kRedirects = 14;

HMODULE g_self = nullptr;
// Two locks, neither ever held around a loader call (the loader's lock comes
// first: the LoadLibrary wrappers may be entered under it). The device table
// has its own, so waveOut calls never wait behind a scan.
CRITICAL_SECTION g_lock;      // the device table
CRITICAL_SECTION g_scanLock;  // joining, watching, the redirects and scanning
bool g_lockReady = false;
volatile LONG g_joined = 0;    // the imports are redirected
volatile LONG g_watching = 0;  // only the loader's entries are, until winmm comes
volatile LONG g_excluded = 0;  // 0: not read yet, 1: joins, 2: excluded
bool g_scanning = false;
EngineDevice* g_devices[kDevices];
// DirectSound's creation entries follow the waveOut ones once dsound is
// loaded; PlaySound's come last.
ImportRedirect g_redirects[kRedirects + DirectSoundEngine::kRedirects + ShortSoundEngine::kRedirects];
int g_redirectCount = kRedirects;

class Lock {
public:
    explicit Lock(CRITICAL_SECTION* cs = &g_lock) : m_cs(cs) { EnterCriticalSection(m_cs); }
    ~Lock() { LeaveCriticalSection(m_cs); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION* m_cs;
};

// A device found in the table, held for the length of one call.
class Held {
public:
    explicit Held(EngineDevice* device) : m_device(device) {}
    ~Held() {
        if (m_device) m_device->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    EngineDevice* operator->() const { return m_device; }
    explicit operator bool() const { return m_device != nullptr; }
    EngineDevice* Get() const { return m_device; }

private:
    EngineDevice* m_device;
};

template <class Fn>
void* Address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

}  // namespace

void WaveOutEngine::Init(HMODULE self) {
    g_self = self;
    InitializeCriticalSection(&g_lock);
    InitializeCriticalSection(&g_scanLock);
    ShortSoundPlayer::Init();
    g_lockReady = true;
}

void WaveOutEngine::Shutdown() {
    // Only reached in a process the engine never joined (joining holds the library).
    DirectSoundEngine::Shutdown();
    if (g_lockReady) {
        ShortSoundPlayer::Shutdown();
        DeleteCriticalSection(&g_lock);
        DeleteCriticalSection(&g_scanLock);
    }
    g_lockReady = false;
}

bool WaveOutEngine::Joined() {
    return __atomic_load_n(&g_joined, __ATOMIC_ACQUIRE) != 0;
}

bool WaveOutEngine::Looked() {
    return Joined() || __atomic_load_n(&g_watching, __ATOMIC_ACQUIRE) ||
           __atomic_load_n(&g_excluded, __ATOMIC_ACQUIRE) == 2;
}

// The program is named in `Engine exclusions`: read once, at the first look
// (never from DllMain).
static bool Excluded() {
    const LONG state = __atomic_load_n(&g_excluded, __ATOMIC_ACQUIRE);
    if (state) return state == 2;
    bool excluded = false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Settings::kKeyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char list[4096];
        DWORD type = 0, bytes = sizeof(list);
        char exe[MAX_PATH];
        if (RegQueryValueExA(key, "Engine exclusions", nullptr, &type, reinterpret_cast<BYTE*>(list), &bytes) ==
                ERROR_SUCCESS &&
            (type == REG_MULTI_SZ || type == REG_SZ) && GetModuleFileNameA(nullptr, exe, sizeof(exe)))
            excluded = ExclusionList_Matches(list, bytes, exe);
        RegCloseKey(key);
    }
    __atomic_store_n(&g_excluded, excluded ? 2 : 1, __ATOMIC_RELEASE);
    return excluded;
}

// The process has a sound library: winmm, or dsound alone (a dsound that
// does not import winmm itself; the engine brings winmm when it joins).
static bool HasSound() {
    return GetModuleHandleA("winmm.dll") || GetModuleHandleA("dsound.dll");
}

void WaveOutEngine::JoinThisProcess() {
    if (!g_lockReady || Joined() || Excluded()) return;
    // A program that loads winmm or dsound itself (or delay-loads it) may open
    // a device in the same breath: its loads are watched until then.
    if (HasSound())
        Join();
    else
        Watch();
}

// The loader's entries always; winmm's once joined (empty entries match nothing).
void WaveOutEngine::SetRedirects(bool waveOut) {
    const ImportRedirect redirects[kRedirects] = {
        {Address(g_real.open), Address(&Open)},
        {Address(g_real.close), Address(&Close)},
        {Address(g_real.prepare), Address(&Prepare)},
        {Address(g_real.unprepare), Address(&Unprepare)},
        {Address(g_real.write), Address(&Write)},
        {Address(g_real.reset), Address(&Reset)},
        {Address(g_real.breakLoop), Address(&BreakLoop)},
        {Address(g_real.pause), Address(&Pause)},
        {Address(g_real.restart), Address(&Restart)},
        {Address(g_real.loadLibraryA), Address(&LoadA)},
        {Address(g_real.loadLibraryW), Address(&LoadW)},
        {Address(g_real.loadLibraryExA), Address(&LoadExA)},
        {Address(g_real.loadLibraryExW), Address(&LoadExW)},
        {Address(g_real.getProcAddress), Address(&ProcAddress)},
    };
    for (int i = 0; i < kRedirects; ++i)
        g_redirects[i] = waveOut || i >= kWaveEntries ? redirects[i] : ImportRedirect{};
}

bool WaveOutEngine::Watch() {
    if (__atomic_load_n(&g_watching, __ATOMIC_ACQUIRE)) return true;
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_self, path, sizeof(path)) || !g_real.ResolveLoader()) return false;
    HMODULE self = LoadLibraryA(path);  // redirected entries lead here from now on
    if (!self) return false;
    bool already = false;
    {
        Lock lock(&g_scanLock);
        already = Joined() || g_watching;
    }
    if (already) {
        FreeLibrary(self);
        return true;
    }
    {
        Lock lock(&g_scanLock);
        SetRedirects(false);
        g_redirectCount = kRedirects;
        ImportPatcher::PatchAll(g_self, g_redirects, g_redirectCount);
        __atomic_store_n(&g_watching, 1, __ATOMIC_RELEASE);
    }
    // Sound may have come while the tables were being changed.
    if (HasSound()) Join();
    return true;
}

void WaveOutEngine::AfterLoad(HMODULE loaded) {
    if (Joined())
        PatchBrought(loaded);
    else if (__atomic_load_n(&g_watching, __ATOMIC_ACQUIRE) && HasSound())
        Join();
}

// The loader's own lock is never taken while holding ours (a library loaded
// from some DllMain comes into LoadA and friends with the loader's lock
// held, and they take ours): loads happen outside it.
bool WaveOutEngine::Join() {
    // Our own references to winmm and to this library, kept for the life of
    // the process: redirected entries lead here from then on.
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_self, path, sizeof(path))) return false;
    HMODULE winmm = LoadLibraryA("winmm.dll");
    if (!winmm) return false;
    HMODULE self = LoadLibraryA(path);
    // Loader calls before the lock: never the loader's lock inside ours.
    const bool resolved = self && g_real.Resolve(winmm);
    if (resolved) ShortSoundEngine::Resolve(winmm);
    bool keep = false;
    {
        Lock lock(&g_scanLock);
        if (!Joined() && resolved) {
            SetRedirects(true);
            __atomic_store_n(&g_joined, 1, __ATOMIC_RELEASE);
            keep = true;
        }
    }
    if (!keep) {
        if (self) FreeLibrary(self);
        FreeLibrary(winmm);
        return Joined();
    }
    Rescan();
    return true;
}

void WaveOutEngine::Rescan() {
    if (!Joined()) return;
    DirectSoundEngine::Resolve();  // a loader call: before the lock
    Lock lock(&g_scanLock);
    if (!Joined() || g_scanning) return;  // a load made while scanning
    g_scanning = true;
    g_redirectCount = kRedirects + DirectSoundEngine::Redirects(g_redirects + kRedirects);
    g_redirectCount += ShortSoundEngine::Redirects(g_redirects + g_redirectCount);
    ImportPatcher::PatchAll(g_self, g_redirects, g_redirectCount);
    g_scanning = false;
}

// A load patches only what it brought (the module and what it imports
// from), unless DirectSound's entries came with it: then every module once.
void WaveOutEngine::PatchBrought(HMODULE loaded) {
    const int dsound = DirectSoundEngine::Resolve() ? 1 : 0;  // a loader call: before the lock
    const ModuleList modules = ImportPatcher::Brought(loaded);
    bool all = false;
    {
        Lock lock(&g_scanLock);
        if (!Joined() || g_scanning) return;  // a load made while scanning
        all = g_redirectCount == kRedirects && dsound;
        if (!all) ImportPatcher::PatchSome(modules, g_redirects, g_redirectCount);
    }
    if (all) Rescan();
}

EngineDevice* WaveOutEngine::Find(HWAVEOUT h) {
    if (!h) return nullptr;
    Lock lock;
    // The system may give a closed device's handle to the next one opened
    // (from WOM_CLOSE even) while the closed one is still in the table: the
    // open one is meant; the closed one answers only for itself.
    EngineDevice* closed = nullptr;
    for (EngineDevice* d : g_devices)
        if (d && d->Handle() == h) {
            if (d->Closed()) {
                closed = d;
                continue;
            }
            d->AddRef();
            return d;
        }
    if (closed) closed->AddRef();
    return closed;
}

bool WaveOutEngine::Add(EngineDevice* device) {
    Lock lock;
    for (EngineDevice*& d : g_devices)
        if (!d) {
            device->AddRef();
            d = device;
            return true;
        }
    return false;
}

void WaveOutEngine::Remove(EngineDevice* device) {
    bool held = false;
    {
        Lock lock;
        for (EngineDevice*& d : g_devices)
            if (d == device) {
                d = nullptr;
                held = true;
            }
    }
    if (held) device->Release();
}

MMRESULT WINAPI WaveOutEngine::Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                    DWORD_PTR instance, DWORD flags) {
    // Queries, formats the effects do not take, and anything while the
    // engine is not present: the program's own call, untouched.
    if ((flags & WAVE_FORMAT_QUERY) || !handle || !format || !EngineShared::Present())
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    Held device(new (std::nothrow) EngineDevice(flags & CALLBACK_TYPEMASK, callback, instance));
    if (!device || !device->Accepts(format)) return g_real.open(handle, deviceId, format, callback, instance, flags);
    const MMRESULT r = device->Open(handle, deviceId, format, flags);
    if (r != MMSYSERR_NOERROR) {
        device->Abandon();
        // Out of memory here is ours, not the program's: a plain device then.
        if (r == MMSYSERR_NOMEM) return g_real.open(handle, deviceId, format, callback, instance, flags);
        return r;
    }
    // In the table before the program hears of its device: it may write from WOM_OPEN.
    if (!Add(device.Get())) {
        device->Abandon();
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    }
    if (!device->Start()) {
        Remove(device.Get());
        device->Abandon();
        return g_real.open(handle, deviceId, format, callback, instance, flags);
    }
    device->Opened();
    return r;
}

MMRESULT WINAPI WaveOutEngine::Close(HWAVEOUT h) {
    Held device(Find(h));
    if (!device) return g_real.close(h);
    const MMRESULT r = device->BeginClose();
    if (r != MMSYSERR_NOERROR) return r;
    // Out of the table only once the real device is closed: until then a
    // call racing the close must meet the closed device, not the real one.
    device->FinishClose();
    Remove(device.Get());
    return r;
}

MMRESULT WINAPI WaveOutEngine::Prepare(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Held device(Find(h));
    return device ? device->Prepare(header, size) : g_real.prepare(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Unprepare(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Held device(Find(h));
    return device ? device->Unprepare(header, size) : g_real.unprepare(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Write(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    Held device(Find(h));
    return device ? device->Write(header, size) : g_real.write(h, header, size);
}

MMRESULT WINAPI WaveOutEngine::Reset(HWAVEOUT h) {
    Held device(Find(h));
    return device ? device->Reset() : g_real.reset(h);
}

MMRESULT WINAPI WaveOutEngine::BreakLoop(HWAVEOUT h) {
    Held device(Find(h));
    return device ? device->BreakLoop() : g_real.breakLoop(h);
}

MMRESULT WINAPI WaveOutEngine::Pause(HWAVEOUT h) {
    Held device(Find(h));
    return device ? device->Pause(true) : g_real.pause(h);
}

MMRESULT WINAPI WaveOutEngine::Restart(HWAVEOUT h) {
    Held device(Find(h));
    return device ? device->Pause(false) : g_real.restart(h);
}

HMODULE WINAPI WaveOutEngine::LoadA(LPCSTR name) {
    HMODULE m = g_real.loadLibraryA(name);
    if (m) AfterLoad(m);
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadW(LPCWSTR name) {
    HMODULE m = g_real.loadLibraryW(name);
    if (m) AfterLoad(m);
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadExA(LPCSTR name, HANDLE file, DWORD flags) {
    HMODULE m = g_real.loadLibraryExA(name, file, flags);
    if (m && !(flags & LOAD_LIBRARY_AS_DATAFILE)) AfterLoad(m);
    return m;
}

HMODULE WINAPI WaveOutEngine::LoadExW(LPCWSTR name, HANDLE file, DWORD flags) {
    HMODULE m = g_real.loadLibraryExW(name, file, flags);
    if (m && !(flags & LOAD_LIBRARY_AS_DATAFILE)) AfterLoad(m);
    return m;
}

FARPROC WINAPI WaveOutEngine::ProcAddress(HMODULE module, LPCSTR name) {
    FARPROC p = g_real.getProcAddress(module, name);
    // A program that looks the entries up gets the engine's, as importers do.
    if (p && Joined())
        for (int i = 0; i < kWaveEntries; ++i)
            if (reinterpret_cast<void*>(p) == g_redirects[i].from) return reinterpret_cast<FARPROC>(g_redirects[i].to);
    // DirectSound's creation entries looked up by name.
    if (FARPROC ours = p && Joined() ? DirectSoundEngine::Replace(p) : nullptr) return ours;
    if (FARPROC ours = p && Joined() ? ShortSoundEngine::Replace(p) : nullptr) return ours;
    return p;
}

}  // namespace fxengine

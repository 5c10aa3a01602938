#include "DirectSoundEngine.h"

// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "ChainPool.h"
#include "ClassFactoryProxy.h"
#include "DirectSoundProxy.h"
#include "EngineShared.h"
#include "RealWaveOut.h"
#include "StreamWorker.h"

namespace fxengine {
namespace {

typedef HRESULT(WINAPI* CreateFn)(LPCGUID, IDirectSound**, IUnknown*);
typedef HRESULT(WINAPI* Create8Fn)(LPCGUID, IDirectSound8**, IUnknown*);
typedef HRESULT(WINAPI* ClassObjectFn)(REFCLSID, REFIID, void**);

CreateFn volatile g_create = nullptr;
Create8Fn volatile g_create8 = nullptr;
ClassObjectFn volatile g_classObject = nullptr;

HRESULT WINAPI Create(LPCGUID device, IDirectSound** out, IUnknown* outer) {
    const HRESULT hr = g_create(device, out, outer);
    // Objects made after the hook went are the system's own.
    if (FAILED(hr) || !out || !*out || outer || !EngineShared::Present()) return hr;
    *out = reinterpret_cast<IDirectSound*>(DirectSoundProxy::Wrap(reinterpret_cast<IDirectSound8*>(*out), false));
    return hr;
}

HRESULT WINAPI Create8(LPCGUID device, IDirectSound8** out, IUnknown* outer) {
    const HRESULT hr = g_create8(device, out, outer);
    if (FAILED(hr) || !out || !*out || outer || !EngineShared::Present()) return hr;
    *out = DirectSoundProxy::Wrap(*out, true);
    return hr;
}

// What COM calls to make a DirectSound object, whoever asked it to.
HRESULT WINAPI ClassObject(REFCLSID clsid, REFIID riid, void** out) {
    const HRESULT hr = g_classObject(clsid, riid, out);
    const bool sound = IsEqualGUID(clsid, CLSID_DirectSound) || IsEqualGUID(clsid, CLSID_DirectSound8);
    if (FAILED(hr) || !out || !*out || !sound || !IsEqualGUID(riid, IID_IClassFactory) || !EngineShared::Present())
        return hr;
    *out = ClassFactoryProxy::Wrap(static_cast<IClassFactory*>(*out), IsEqualGUID(clsid, CLSID_DirectSound8));
    return hr;
}

template <class Fn>
void* Address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

}  // namespace

bool DirectSoundEngine::Resolve() {
    if (g_create) return true;
    // Only a process that has dsound already: the engine never loads it.
    HMODULE dsound = GetModuleHandleA("dsound.dll");
    if (!dsound) return false;
    g_create8 = reinterpret_cast<Create8Fn>(reinterpret_cast<void (*)()>(ExportedEntry(dsound, "DirectSoundCreate8")));
    g_classObject =
        reinterpret_cast<ClassObjectFn>(reinterpret_cast<void (*)()>(ExportedEntry(dsound, "DllGetClassObject")));
    g_create = reinterpret_cast<CreateFn>(reinterpret_cast<void (*)()>(ExportedEntry(dsound, "DirectSoundCreate")));
    return g_create != nullptr;
}

int DirectSoundEngine::Redirects(ImportRedirect* out) {
    // Resolved before the engine's lock was taken (a loader call).
    if (!g_create) return 0;
    int n = 0;
    out[n++] = {Address(g_create), Address(&Create)};
    if (g_create8) out[n++] = {Address(g_create8), Address(&Create8)};
    if (g_classObject) out[n++] = {Address(g_classObject), Address(&ClassObject)};
    return n;
}

FARPROC DirectSoundEngine::Replace(FARPROC real) {
    // Resolved at each scan once dsound is there: no loader call per lookup.
    if (!real || !g_create) return nullptr;
    // FARPROC has no arguments; going through void(*)() says the cast is meant.
    if (Address(real) == Address(g_create)) return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Create));
    if (g_create8 && Address(real) == Address(g_create8))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Create8));
    // COM looks the class object up by name when it loads dsound for a CoCreateInstance.
    if (g_classObject && Address(real) == Address(g_classObject))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&ClassObject));
    return nullptr;
}

void DirectSoundEngine::Shutdown() {
    StreamWorker::Shutdown();
    ChainPool::Shutdown();
    g_create = nullptr;
    g_create8 = nullptr;
    g_classObject = nullptr;
}

}  // namespace fxengine

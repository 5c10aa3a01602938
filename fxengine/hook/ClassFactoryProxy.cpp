#include "ClassFactoryProxy.h"

// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "DirectSoundProxy.h"
#include "EngineShared.h"

namespace fxengine {

IClassFactory* ClassFactoryProxy::Wrap(IClassFactory* real, bool is8) {
    return Make(real, is8);
}

HRESULT ClassFactoryProxy::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) return Self(object);
    return m_real->QueryInterface(riid, object);
}

HRESULT ClassFactoryProxy::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    const HRESULT hr = m_real->CreateInstance(outer, riid, object);
    // Aggregated objects, other interfaces, and anything made after the hook
    // went stay the system's own.
    const bool sound =
        IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSound) || IsEqualGUID(riid, IID_IDirectSound8);
    if (FAILED(hr) || !object || !*object || outer || !sound || !EngineShared::Present()) return hr;
    const bool is8 = m_is8 || IsEqualGUID(riid, IID_IDirectSound8);
    IUnknown* made = static_cast<IUnknown*>(*object);
    void* sound8 = made;
    if (IsEqualGUID(riid, IID_IUnknown)) {
        // The object's own IUnknown may be an interface apart: the proxy holds its sound interface.
        sound8 = nullptr;
        if (FAILED(made->QueryInterface(is8 ? IID_IDirectSound8 : IID_IDirectSound, &sound8)) || !sound8) return hr;
        made->Release();
    }
    // Not yet initialised: its Initialize goes through the proxy to it.
    *object = DirectSoundProxy::Wrap(static_cast<IDirectSound8*>(sound8), is8);
    return hr;
}

HRESULT ClassFactoryProxy::LockServer(BOOL lock) {
    return m_real->LockServer(lock);
}

}  // namespace fxengine

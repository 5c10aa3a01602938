#include "NotifyProxy.h"

#include <new>

namespace fxengine {

IDirectSoundNotify* NotifyProxy::Wrap(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer) {
    NotifyProxy* proxy = new (std::nothrow) NotifyProxy(real, buffer);
    return proxy ? proxy : real;
}

NotifyProxy::NotifyProxy(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer) : m_real(real), m_buffer(buffer) {
    m_buffer->AddRef();
}

NotifyProxy::~NotifyProxy() {
    m_real->Release();
    m_buffer->Release();
}

HRESULT NotifyProxy::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSoundNotify)) {
        AddRef();
        *object = static_cast<IDirectSoundNotify*>(this);
        return S_OK;
    }
    // The buffer's other interfaces, as the buffer itself answers for them.
    return m_buffer->QueryInterface(riid, object);
}

ULONG NotifyProxy::AddRef() {
    return InterlockedIncrement(&m_refs);
}

ULONG NotifyProxy::Release() {
    const LONG left = InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return left;
}

HRESULT NotifyProxy::SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) {
    return m_real->SetNotificationPositions(count, positions);
}

}  // namespace fxengine

#include "NotifyProxy.h"

namespace fxengine {

IDirectSoundNotify* NotifyProxy::Wrap(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer) {
    return Make(real, buffer);
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
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSoundNotify)) return Self(object);
    // The buffer's other interfaces, as the buffer itself answers for them.
    return m_buffer->QueryInterface(riid, object);
}

HRESULT NotifyProxy::SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) {
    return m_real->SetNotificationPositions(count, positions);
}

}  // namespace fxengine

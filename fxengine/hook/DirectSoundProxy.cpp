#include "DirectSoundProxy.h"

#include "DirectSoundEngine.h"
#include "EngineShared.h"
#include "SoundBufferProxy.h"
#include "StreamWorker.h"

namespace fxengine {
namespace {

void* g_vtable = nullptr;  // ours, to know our objects from the system's

}  // namespace

IDirectSound8* DirectSoundProxy::Wrap(IDirectSound8* real, bool is8) {
    return Make(real, is8);
}

IDirectSound* DirectSoundProxy::Unwrap(IDirectSound* sound) {
    if (!sound || !g_vtable || *reinterpret_cast<void**>(sound) != g_vtable) return sound;
    return reinterpret_cast<IDirectSound*>(
        static_cast<DirectSoundProxy*>(reinterpret_cast<IDirectSound8*>(sound))->m_real);
}

DirectSoundProxy::DirectSoundProxy(IDirectSound8* real, bool is8) : m_real(real), m_is8(is8) {
    g_vtable = *reinterpret_cast<void**>(this);
}

DirectSoundProxy::~DirectSoundProxy() {
    // Releasing the object may end its buffers however many references they
    // have: from here on the worker stays away from them.
    StreamWorker::DeviceGone(this);
    m_real->Release();
}

HRESULT DirectSoundProxy::QueryInterface(REFIID riid, void** object) {
    if (!object) return m_real->QueryInterface(riid, object);
    const bool self =
        IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSound) || IsEqualGUID(riid, IID_IDirectSound8);
    if (!self) return m_real->QueryInterface(riid, object);
    void* real = nullptr;
    const HRESULT hr = m_real->QueryInterface(riid, &real);
    if (FAILED(hr)) {
        *object = nullptr;
        return hr;
    }
    static_cast<IUnknown*>(real)->Release();
    if (IsEqualGUID(riid, IID_IDirectSound8)) m_is8 = true;
    Self(object);
    return hr;
}

HRESULT DirectSoundProxy::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER buffer, IUnknown* outer) {
    const HRESULT hr = m_real->CreateSoundBuffer(desc, buffer, outer);
    // Buffers made after the hook went are the system's own, as new devices are.
    if (FAILED(hr) || !desc || !buffer || !*buffer || outer || !EngineShared::Present()) return hr;
    *buffer = SoundBufferProxy::Wrap(*buffer, *desc, this);
    return hr;
}

HRESULT DirectSoundProxy::GetCaps(LPDSCAPS caps) {
    return m_real->GetCaps(caps);
}

HRESULT DirectSoundProxy::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPLPDIRECTSOUNDBUFFER duplicate) {
    SoundBufferProxy* ours = SoundBufferProxy::From(original);
    if (!ours) return m_real->DuplicateSoundBuffer(original, duplicate);
    const HRESULT hr = m_real->DuplicateSoundBuffer(ours->Real(), duplicate);
    if (SUCCEEDED(hr) && duplicate && *duplicate) *duplicate = SoundBufferProxy::Duplicate(ours, *duplicate);
    return hr;
}

HRESULT DirectSoundProxy::SetCooperativeLevel(HWND window, DWORD level) {
    return m_real->SetCooperativeLevel(window, level);
}

HRESULT DirectSoundProxy::Compact() {
    return m_real->Compact();
}

HRESULT DirectSoundProxy::GetSpeakerConfig(LPDWORD config) {
    return m_real->GetSpeakerConfig(config);
}

HRESULT DirectSoundProxy::SetSpeakerConfig(DWORD config) {
    return m_real->SetSpeakerConfig(config);
}

HRESULT DirectSoundProxy::Initialize(LPCGUID device) {
    return m_real->Initialize(device);
}

HRESULT DirectSoundProxy::VerifyCertification(LPDWORD certified) {
    // An object made as the old interface has no such entry.
    return m_is8 ? m_real->VerifyCertification(certified) : DSERR_UNSUPPORTED;
}

}  // namespace fxengine

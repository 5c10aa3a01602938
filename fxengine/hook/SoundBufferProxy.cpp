#include "SoundBufferProxy.h"

#include <new>

#include "BufferStream.h"
#include "DirectSoundEngine.h"
#include "DirectSoundProxy.h"
#include "NotifyProxy.h"
#include "StreamWorker.h"

namespace fxengine {
namespace {

void* g_vtable = nullptr;  // ours, to know our objects from the system's

// The 8 interface begins with every entry of the older one, in its order.
IDirectSoundBuffer* AsBuffer(IDirectSoundBuffer8* buffer) {
    return reinterpret_cast<IDirectSoundBuffer*>(buffer);
}

}  // namespace

IDirectSoundBuffer* SoundBufferProxy::Wrap(IDirectSoundBuffer* real, const DSBUFFERDESC& desc, const void* owner) {
    // The primary buffer, 3D-positioned buffers and formats the effects do
    // not take stay the system's own.
    if ((desc.dwFlags & (DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D)) || !desc.lpwfxFormat) return real;
    BufferStream* stream = BufferStream::Create(real, *desc.lpwfxFormat, owner);
    if (!stream) return real;
    SoundBufferProxy* proxy = new (std::nothrow) SoundBufferProxy(real, stream, true);
    if (!proxy) {
        stream->Release();
        return real;
    }
    StreamWorker::Add(stream);
    real->Release();  // the program's reference is the proxy's now
    return AsBuffer(proxy);
}

SoundBufferProxy* SoundBufferProxy::From(IDirectSoundBuffer* original) {
    if (!original || !g_vtable || *reinterpret_cast<void**>(original) != g_vtable) return nullptr;
    return static_cast<SoundBufferProxy*>(reinterpret_cast<IDirectSoundBuffer8*>(original));
}

IDirectSoundBuffer* SoundBufferProxy::Duplicate(SoundBufferProxy* original, IDirectSoundBuffer* realDuplicate) {
    SoundBufferProxy* proxy = new (std::nothrow) SoundBufferProxy(realDuplicate, original->m_stream, false);
    if (!proxy) return realDuplicate;
    original->m_stream->AddRef();
    original->m_stream->AddUser();
    realDuplicate->Release();
    return AsBuffer(proxy);
}

SoundBufferProxy::SoundBufferProxy(IDirectSoundBuffer* real, BufferStream* stream, bool original)
    : m_real(reinterpret_cast<IDirectSoundBuffer8*>(real)), m_real8(nullptr), m_stream(stream), m_original(original) {
    m_real->AddRef();
    void* real8 = nullptr;
    if (SUCCEEDED(real->QueryInterface(IID_IDirectSoundBuffer8, &real8)))
        m_real8 = static_cast<IDirectSoundBuffer8*>(real8);
    g_vtable = *reinterpret_cast<void**>(this);
}

SoundBufferProxy::~SoundBufferProxy() {
    if (m_original) m_stream->Detach();  // before the real buffer may go
    if (m_stream->DropUser()) StreamWorker::Remove(m_stream);
    m_stream->Release();
    if (m_real8) m_real8->Release();
    m_real->Release();
}

HRESULT SoundBufferProxy::QueryInterface(REFIID riid, void** object) {
    if (!object) return m_real->QueryInterface(riid, object);
    const bool self = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSoundBuffer) ||
                      IsEqualGUID(riid, IID_IDirectSoundBuffer8);
    if (IsEqualGUID(riid, IID_IDirectSoundNotify)) {
        // Its QueryInterface leads back here, not to the real buffer.
        const HRESULT hr = m_real->QueryInterface(riid, object);
        if (SUCCEEDED(hr) && *object)
            *object =
                NotifyProxy::Wrap(static_cast<IDirectSoundNotify*>(*object), static_cast<IDirectSoundBuffer8*>(this));
        return hr;
    }
    if (!self) return m_real->QueryInterface(riid, object);  // property set, 3D: the real buffer's own
    if (IsEqualGUID(riid, IID_IDirectSoundBuffer8) && !m_real8) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The real buffer decides whether it is one; the program gets us.
    void* real = nullptr;
    const HRESULT hr = m_real->QueryInterface(riid, &real);
    if (FAILED(hr)) {
        *object = nullptr;
        return hr;
    }
    static_cast<IUnknown*>(real)->Release();
    Self(object);
    return hr;
}

HRESULT SoundBufferProxy::GetCaps(LPDSBCAPS caps) {
    return m_real->GetCaps(caps);
}

HRESULT SoundBufferProxy::GetCurrentPosition(LPDWORD play, LPDWORD write) {
    return m_real->GetCurrentPosition(play, write);
}

HRESULT SoundBufferProxy::GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) {
    return m_real->GetFormat(format, size, written);
}

HRESULT SoundBufferProxy::GetVolume(LPLONG volume) {
    return m_real->GetVolume(volume);
}

HRESULT SoundBufferProxy::GetPan(LPLONG pan) {
    return m_real->GetPan(pan);
}

HRESULT SoundBufferProxy::GetFrequency(LPDWORD frequency) {
    return m_real->GetFrequency(frequency);
}

HRESULT SoundBufferProxy::GetStatus(LPDWORD status) {
    return m_real->GetStatus(status);
}

HRESULT SoundBufferProxy::Initialize(LPDIRECTSOUND sound, LPCDSBUFFERDESC desc) {
    return m_real->Initialize(DirectSoundProxy::Unwrap(sound), desc);
}

HRESULT SoundBufferProxy::Lock(DWORD offset, DWORD bytes, LPVOID* p1, LPDWORD n1, LPVOID* p2, LPDWORD n2, DWORD flags) {
    // A duplicate's write cursor is its own; the memory is the original's.
    if ((flags & DSBLOCK_FROMWRITECURSOR) && !m_original) {
        DWORD play = 0, write = 0;
        const HRESULT hr = m_real->GetCurrentPosition(&play, &write);
        if (FAILED(hr)) return hr;
        offset = write;
        flags &= ~DSBLOCK_FROMWRITECURSOR;
    }
    return m_stream->Lock(Real(), offset, bytes, p1, n1, p2, n2, flags);
}

HRESULT SoundBufferProxy::Play(DWORD reserved1, DWORD priority, DWORD flags) {
    // What the device reads first is ready before it starts.
    m_stream->Playing(flags, m_original);
    const HRESULT hr = m_real->Play(reserved1, priority, flags);
    if (SUCCEEDED(hr) && m_stream->Streaming()) StreamWorker::Wake();
    return hr;
}

HRESULT SoundBufferProxy::SetCurrentPosition(DWORD position) {
    const HRESULT hr = m_real->SetCurrentPosition(position);
    if (SUCCEEDED(hr) && m_original) m_stream->Moved();
    return hr;
}

HRESULT SoundBufferProxy::SetFormat(LPCWAVEFORMATEX format) {
    return m_real->SetFormat(format);
}

HRESULT SoundBufferProxy::SetVolume(LONG volume) {
    return m_real->SetVolume(volume);
}

HRESULT SoundBufferProxy::SetPan(LONG pan) {
    return m_real->SetPan(pan);
}

HRESULT SoundBufferProxy::SetFrequency(DWORD frequency) {
    return m_real->SetFrequency(frequency);
}

HRESULT SoundBufferProxy::Stop() {
    return m_real->Stop();
}

HRESULT SoundBufferProxy::Unlock(LPVOID p1, DWORD n1, LPVOID p2, DWORD n2) {
    return m_stream->Unlock(Real(), p1, n1, p2, n2);
}

HRESULT SoundBufferProxy::Restore() {
    const HRESULT hr = m_real->Restore();
    if (SUCCEEDED(hr)) m_stream->Restored();
    return hr;
}

HRESULT SoundBufferProxy::SetFX(DWORD count, LPDSEFFECTDESC desc, LPDWORD results) {
    return m_real8 ? m_real8->SetFX(count, desc, results) : E_NOINTERFACE;
}

HRESULT SoundBufferProxy::AcquireResources(DWORD flags, DWORD count, LPDWORD results) {
    return m_real8 ? m_real8->AcquireResources(flags, count, results) : E_NOINTERFACE;
}

HRESULT SoundBufferProxy::GetObjectInPath(REFGUID object, DWORD index, REFGUID iid, LPVOID* out) {
    return m_real8 ? m_real8->GetObjectInPath(object, index, iid, out) : E_NOINTERFACE;
}

}  // namespace fxengine

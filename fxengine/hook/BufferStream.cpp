#include "BufferStream.h"

#include <string.h>

#include <new>

#include "ChainPool.h"
#include "EngineShared.h"
#include "StreamRender.h"
#include "fault/FaultGuard.h"

namespace fxengine {
namespace {

constexpr WORD kExtensible = 0xFFFE;  // WAVE_FORMAT_EXTENSIBLE

class Guard {
public:
    explicit Guard(CRITICAL_SECTION* cs) : m_cs(cs) { EnterCriticalSection(m_cs); }
    ~Guard() { LeaveCriticalSection(m_cs); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION* m_cs;
};

// The real buffer's memory may go away under us (a lost hardware buffer):
// a fault in copying costs that copy only.
void Copy(void* to, const void* from, DWORD bytes) {
    if (!bytes || !to) return;
    auto copy = [&] { memcpy(to, from, bytes); };
    fault::FaultGuard::Call(copy);
}

// The format as the effects see it: WAVEFORMATEXTENSIBLE with a PCM or
// float subformat is the plain tag.
bool EffectsFormat(const WAVEFORMATEX& w, fx::FxFormat* f) {
    f->formatTag = w.wFormatTag;
    if (w.wFormatTag == kExtensible) {
        if (w.cbSize < 22) return false;
        // The subformat GUID: a format tag in its first two bytes, then the fixed tail of
        // {xxxxxxxx-0000-0010-8000-00aa00389b71}.
        static const BYTE kTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        const BYTE* guid = reinterpret_cast<const BYTE*>(&w) + sizeof(WAVEFORMATEX) + 6;
        if (memcmp(guid + 2, kTail, sizeof kTail) != 0) return false;
        f->formatTag = static_cast<uint16_t>(guid[0] | guid[1] << 8);
    }
    f->channels = w.nChannels;
    f->sampleRate = w.nSamplesPerSec;
    f->bitsPerSample = w.wBitsPerSample;
    f->blockAlign = w.nBlockAlign;
    return f->blockAlign != 0 && f->sampleRate != 0 && fx::FxFormat_Supported(*f);
}

bool Off() {
    return !EngineShared::HookedFlag();
}

}  // namespace

BufferStream* BufferStream::Create(IDirectSoundBuffer* real, const WAVEFORMATEX& format, const void* owner) {
    fx::FxFormat f;
    if (!EffectsFormat(format, &f)) return nullptr;
    DSBCAPS caps = {};
    caps.dwSize = sizeof(caps);
    if (FAILED(real->GetCaps(&caps)) || !caps.dwBufferBytes || caps.dwBufferBytes % f.blockAlign) return nullptr;
    return new (std::nothrow) BufferStream(real, caps.dwBufferBytes, f, owner);
}

BufferStream::BufferStream(IDirectSoundBuffer* real, DWORD bytes, const fx::FxFormat& format, const void* owner)
    : m_real(real), m_owner(owner), m_bytes(bytes), m_format(format) {
    InitializeCriticalSection(&m_lock);
}

BufferStream::~BufferStream() {
    delete m_render;
    if (m_shadow) HeapFree(GetProcessHeap(), 0, m_shadow);
    DeleteCriticalSection(&m_lock);
}

void BufferStream::AddRef() {
    InterlockedIncrement(&m_refs);
}

void BufferStream::Release() {
    if (InterlockedDecrement(&m_refs) == 0) delete this;
}

size_t BufferStream::Bytes() const {
    return sizeof *this + (m_shadow ? m_bytes : 0) + (m_render ? m_render->Bytes() : 0);
}

bool BufferStream::MakeShadow() {
    if (m_shadow) return true;
    // The program's bytes are in the real buffer, unless it is writing them now.
    if (!m_real || m_realLocks) return false;
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(m_real->Lock(0, m_bytes, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER)) || !p1) return false;
    m_shadow = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, m_bytes));
    if (m_shadow) {
        memset(m_shadow, m_format.bitsPerSample == 8 ? 0x80 : 0, m_bytes);
        Copy(m_shadow, p1, n1 < m_bytes ? n1 : m_bytes);
    }
    m_real->Unlock(p1, 0, p2, 0);
    m_realPlain = true;
    return m_shadow != nullptr;
}

void BufferStream::DropShadow() {
    // Kept while the real buffer holds other sound, the program holds a lock
    // of it, or a stream (which reads it) was ever made.
    if (!m_shadow || !m_realPlain || m_render || !m_locks.Empty()) return;
    HeapFree(GetProcessHeap(), 0, m_shadow);
    m_shadow = nullptr;
    m_rendered = false;
}

bool BufferStream::Rendering() const {
    return m_streaming && m_render && m_render->Started() && !m_render->PassThrough() && m_real && !m_deviceGone;
}

HRESULT BufferStream::Lock(IDirectSoundBuffer* real, DWORD offset, DWORD bytes, void** p1, DWORD* n1, void** p2,
                           DWORD* n2, DWORD flags) {
    if (!p1 || !n1) return DSERR_INVALIDPARAM;
    Guard lock(&m_lock);
    if (!m_shadow) {
        // The real buffer holds the program's own bytes: its lock is the program's.
        const HRESULT hr = real->Lock(offset, bytes, p1, n1, p2, n2, flags);
        if (SUCCEEDED(hr)) ++m_realLocks;
        return hr;
    }
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        DWORD play = 0, write = 0;
        const HRESULT hr = real->GetCurrentPosition(&play, &write);
        if (FAILED(hr)) return hr;
        offset = write;
        flags &= ~DSBLOCK_FROMWRITECURSOR;
    }
    // Both parts always: where the lock wraps, the program's second part is ours to map.
    void *r1 = nullptr, *r2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    const HRESULT hr = real->Lock(offset, bytes, &r1, &b1, &r2, &b2, flags);
    if (!r2) b2 = 0;
    DWORD at = 0;
    if (FAILED(hr) || !r1 || !LockTable::Place(offset, flags, m_bytes, b1, b2, &at)) {
        // Nothing to map (a failure, or an answer no buffer of this size gives): as the real buffer says.
        *p1 = r1;
        *n1 = b1;
        if (p2) *p2 = r2;
        if (n2) *n2 = b2;
        return hr;
    }
    if (!p2) b2 = 0;  // the program takes the first part only
    // A worker that came late goes through the sound it missed now, before
    // the program writes its next lap over it.
    if (Rendering()) {
        DWORD play = 0, write = 0;
        if (SUCCEEDED(m_real->GetCurrentPosition(&play, &write))) m_render->Track(play, write);
        if (m_render->Done() < m_render->Played()) m_render->CatchUp();
    }
    const LockRecord record = {m_shadow + at, static_cast<BYTE*>(r1), static_cast<BYTE*>(r2), at, b1, 0, b2};
    if (!m_locks.Add(record)) {
        real->Unlock(r1, 0, r2, 0);
        *p1 = nullptr;
        *n1 = 0;
        return DSERR_OUTOFMEMORY;
    }
    *p1 = record.shadow;
    *n1 = b1;
    if (p2) *p2 = b2 ? m_shadow : nullptr;
    if (n2) *n2 = b2;
    return hr;
}

HRESULT BufferStream::Unlock(IDirectSoundBuffer* real, void* p1, DWORD n1, void* p2, DWORD n2) {
    Guard lock(&m_lock);
    LockRecord r;
    if (!m_locks.Take(p1, &r)) {
        // Not a lock of ours: the real buffer says.
        const HRESULT hr = real->Unlock(p1, n1, p2, n2);
        if (SUCCEEDED(hr) && m_realLocks) --m_realLocks;
        return hr;
    }
    const DWORD w1 = n1 < r.bytes1 ? n1 : r.bytes1;
    const DWORD w2 = p2 && r.bytes2 ? (n2 < r.bytes2 ? n2 : r.bytes2) : 0;
    if (w1 || w2) ++m_writes;
    if (Rendering()) {
        DWORD play = 0, write = 0;
        if (SUCCEEDED(m_real->GetCurrentPosition(&play, &write))) m_render->Track(play, write);
        StreamRender::Pos dirty = ~0ULL;
        m_render->Written(r.offset1, r.real1, w1, &dirty);
        m_render->Written(r.offset2, r.real2, w2, &dirty);
        const HRESULT hr = real->Unlock(r.real1, w1, r.real2, w2);
        if (dirty != ~0ULL) m_render->RenderAgainFrom(m_real, dirty);
        return hr;
    }
    // Heard as written until it is played: then it is rendered whole.
    Copy(r.real1, m_shadow + r.offset1, w1);
    Copy(r.real2, m_shadow + r.offset2, w2);
    if (w1 || w2) m_rendered = false;
    return real->Unlock(r.real1, w1, r.real2, w2);
}

void BufferStream::PutBackPlain() {
    m_rendered = false;
    if (m_realPlain || !m_real || !m_shadow) return;
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(m_real->Lock(0, m_bytes, &a1, &b1, &a2, &b2, DSBLOCK_ENTIREBUFFER)) || !a1) return;
    Copy(a1, m_shadow, b1 < m_bytes ? b1 : m_bytes);
    m_real->Unlock(a1, b1, a2, 0);
    m_realPlain = true;
}

void BufferStream::RenderWhole() {
    // The effects off (Korvane closed, or not yet started): the program's own sound.
    if (m_passThrough || Off()) {
        PutBackPlain();
        return;
    }
    fx::FxParams params;
    StreamRender::Params(&params);
    // Played again as it was last rendered: nothing to do.
    if (m_rendered && m_renderedWrites == m_writes && memcmp(&params, &m_renderedParams, sizeof params) == 0) return;
    BorrowedChain chain(m_format);
    if (!chain.Get() || !MakeShadow()) {
        PutBackPlain();
        return;
    }
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(m_real->Lock(0, m_bytes, &a1, &b1, &a2, &b2, DSBLOCK_ENTIREBUFFER)) || !a1) return;
    if (!StreamRender::Process(*chain.Get(), params, m_shadow, static_cast<BYTE*>(a1), b1 < m_bytes ? b1 : m_bytes,
                               m_format.blockAlign))
        m_passThrough = true;
    // Effects at rest render the program's own bytes: nothing to keep then.
    const DWORD held = b1 < m_bytes ? b1 : m_bytes;
    bool plain = m_passThrough;
    auto same = [&] { plain = plain || memcmp(a1, m_shadow, held) == 0; };
    fault::FaultGuard::Call(same);
    m_real->Unlock(a1, b1, a2, 0);
    m_realPlain = plain;
    m_rendered = !m_passThrough;
    m_renderedParams = params;
    m_renderedWrites = m_writes;
}

void BufferStream::Playing(DWORD flags, bool original) {
    Guard lock(&m_lock);
    if (!m_real || m_deviceGone) return;
    if ((flags & DSBPLAY_LOOPING) && original && !m_passThrough && MakeShadow()) {
        if (!m_render) {
            m_render = new (std::nothrow) StreamRender(m_shadow, m_bytes, m_format);
            if (m_render && !m_render->Open()) {
                delete m_render;
                m_render = nullptr;
            }
        }
        if (m_render) {
            DWORD status = 0, play = 0;
            m_real->GetStatus(&status);
            m_real->GetCurrentPosition(&play, nullptr);
            const bool going = (status & DSBSTATUS_PLAYING) && (status & DSBSTATUS_LOOPING);
            // Played on where it stopped, or again while it plays: the stream goes on.
            const bool fresh =
                !m_streaming || !m_render->Started() || (!going && play % m_bytes != m_render->Played() % m_bytes);
            if (fresh) m_render->Start(play);
            m_streaming = true;
            m_realPlain = m_rendered = false;
            m_render->Pump(m_real);                    // its first stretch, before the device reads it
            if (fresh) m_render->ProcessRest(m_real);  // and what the program wrote before it played
            return;
        }
    }
    if (!original && m_streaming) return;  // a duplicate plays the stream as it is
    // Once looped, now played once: the whole buffer as a static one.
    m_streaming = false;
    if (m_render) m_render->Stop();
    RenderWhole();
    DropShadow();
}

void BufferStream::Moved() {
    Guard lock(&m_lock);
    if (!Rendering()) return;
    m_render->Stop();
    DWORD status = 0;
    if (SUCCEEDED(m_real->GetStatus(&status)) && (status & DSBSTATUS_PLAYING)) m_render->Pump(m_real);
}

void BufferStream::Restored() {
    Guard lock(&m_lock);
    // The real memory was lost: whatever it holds now, the program's sound goes back in.
    if (m_render) m_render->Stop();
    if (!m_shadow) return;  // it held the program's bytes: the program fills it again, as without us
    m_realPlain = false;
    PutBackPlain();
    DropShadow();
}

void BufferStream::DeviceGone() {
    Guard lock(&m_lock);
    m_deviceGone = true;
    m_streaming = false;
}

void BufferStream::Detach() {
    Guard lock(&m_lock);
    m_real = nullptr;
    m_streaming = false;
    if (m_render) m_render->Stop();
}

bool BufferStream::Pump() {
    Guard lock(&m_lock);
    if (!m_streaming || !m_render || m_render->PassThrough() || !m_real || m_deviceGone) return false;
    DWORD status = 0;
    if (FAILED(m_real->GetStatus(&status)) || !(status & DSBSTATUS_PLAYING) || !(status & DSBSTATUS_LOOPING))
        return false;
    return m_render->Pump(m_real);
}

}  // namespace fxengine

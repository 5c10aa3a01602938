#include "BufferStream.h"

#include <string.h>

#include <new>

#include "EngineShared.h"
#include "fault/FaultGuard.h"
#include "fxengine/hook/X87Precision.h"

namespace fxengine {
namespace {

constexpr WORD kExtensible = 0xFFFE;  // WAVE_FORMAT_EXTENSIBLE

// How far ahead of the play cursor the worker keeps the real buffer
// processed: enough for the mixer's next pass (it reads up to 30 ms at a
// time), little enough that a knob turn is heard within 50 ms.
constexpr DWORD kLeadMs = 45;
// Where the cursor runs faster than real time, the lead is what it covers in this long.
constexpr DWORD kLeadWallMs = 35;
constexpr DWORD kSaveEveryMs = 10;

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
    if (!bytes) return;
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
    return f->blockAlign != 0 && f->sampleRate != 0;
}

}  // namespace

BufferStream* BufferStream::Create(IDirectSoundBuffer* real, const WAVEFORMATEX& format, const void* owner) {
    fx::FxFormat f;
    if (!EffectsFormat(format, &f)) return nullptr;
    DSBCAPS caps = {};
    caps.dwSize = sizeof(caps);
    if (FAILED(real->GetCaps(&caps)) || !caps.dwBufferBytes || caps.dwBufferBytes % f.blockAlign) return nullptr;
    BufferStream* s = new (std::nothrow) BufferStream(real, caps.dwBufferBytes, f, owner);
    if (!s) return nullptr;
    if (!s->m_shadow || !s->m_chain.Open(f) || !s->m_ahead.Open(f) || !s->LoadShadow()) {
        s->Release();
        return nullptr;
    }
    return s;
}

BufferStream::BufferStream(IDirectSoundBuffer* real, DWORD bytes, const fx::FxFormat& format, const void* owner)
    : m_real(real), m_owner(owner), m_bytes(bytes), m_align(format.blockAlign), m_rate(format.sampleRate) {
    InitializeCriticalSection(&m_lock);
    m_shadow = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, bytes));
}

BufferStream::~BufferStream() {
    if (m_shadow) HeapFree(GetProcessHeap(), 0, m_shadow);
    delete[] m_snapshots;
    DeleteCriticalSection(&m_lock);
}

void BufferStream::AddRef() {
    InterlockedIncrement(&m_refs);
}

void BufferStream::Release() {
    if (InterlockedDecrement(&m_refs) == 0) delete this;
}

bool BufferStream::LoadShadow() {
    // The program reads back what a fresh buffer holds, as it would without us.
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(m_real->Lock(0, m_bytes, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER))) {
        memset(m_shadow, m_chain.Format().bitsPerSample == 8 ? 0x80 : 0, m_bytes);
        return true;
    }
    memset(m_shadow, 0, m_bytes);
    Copy(m_shadow, p1, n1 < m_bytes ? n1 : m_bytes);
    m_real->Unlock(p1, n1, p2, n2);
    return true;
}

void BufferStream::Params(fx::FxParams* out) {
    // Once the hook is gone the effects glide out to the program's own sound.
    if (EngineShared::HookedFlag())
        EngineShared::Snapshot(out);
    else
        fx::FxParams_Reset(out);
}

HRESULT BufferStream::Lock(IDirectSoundBuffer* real, DWORD offset, DWORD bytes, void** p1, DWORD* n1, void** p2,
                           DWORD* n2, DWORD flags) {
    if (!p1 || !n1) return DSERR_INVALIDPARAM;
    Guard lock(&m_lock);
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        DWORD play = 0, write = 0;
        const HRESULT hr = real->GetCurrentPosition(&play, &write);
        if (FAILED(hr)) return hr;
        offset = write;
        flags &= ~DSBLOCK_FROMWRITECURSOR;
    }
    void *r1 = nullptr, *r2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    const HRESULT hr = real->Lock(offset, bytes, &r1, &b1, p2 ? &r2 : nullptr, n2 ? &b2 : nullptr, flags);
    *p1 = r1;
    *n1 = b1;
    if (p2) *p2 = r2;
    if (n2) *n2 = b2;
    if (FAILED(hr) || !r1) return hr;

    BYTE* const base = static_cast<BYTE*>(r1) - offset;
    const DWORD offset2 = r2 ? static_cast<DWORD>(static_cast<BYTE*>(r2) - base) : 0;
    const bool linear = offset + b1 <= m_bytes && (!r2 || (r2 >= base && offset2 + b2 <= m_bytes));
    LockRecord* record = nullptr;
    for (LockRecord& r : m_locks)
        if (!r.shadow) {
            record = &r;
            break;
        }
    // Memory that is not the buffer laid out in a line, or more locks at once
    // than we follow: the program writes the real buffer, heard as written.
    if (!linear || !record) return hr;
    // A worker that came late goes through the sound it missed now, before
    // the program writes its next lap over it.
    if (m_streaming && m_started && m_real && !m_passThrough) {
        DWORD play = 0;
        if (SUCCEEDED(m_real->GetCurrentPosition(&play, nullptr))) Track(play);
        if (m_done < m_play) CatchUp();
    }
    record->shadow = m_shadow + offset;
    record->real1 = static_cast<BYTE*>(r1);
    record->real2 = static_cast<BYTE*>(r2);
    record->offset1 = offset;
    record->bytes1 = b1;
    record->offset2 = offset2;
    record->bytes2 = r2 ? b2 : 0;
    *p1 = record->shadow;
    if (p2) *p2 = r2 ? m_shadow + offset2 : nullptr;
    return hr;
}

HRESULT BufferStream::Unlock(IDirectSoundBuffer* real, void* p1, DWORD n1, void* p2, DWORD n2) {
    Guard lock(&m_lock);
    LockRecord* record = nullptr;
    for (LockRecord& r : m_locks)
        if (p1 && r.shadow == p1) {
            record = &r;
            break;
        }
    if (!record) return real->Unlock(p1, n1, p2, n2);  // not a lock of ours: the real buffer says
    const LockRecord r = *record;
    record->shadow = nullptr;
    const DWORD w1 = n1 < r.bytes1 ? n1 : r.bytes1;
    const DWORD w2 = p2 && r.real2 ? (n2 < r.bytes2 ? n2 : r.bytes2) : 0;

    if (m_streaming && m_started && !m_passThrough && m_real) {
        // Processed as written first; the part the worker already passed is processed again below.
        Ahead(r.offset1, r.real1, w1);
        Ahead(r.offset2, r.real2, w2);
        DWORD play = 0;
        if (SUCCEEDED(m_real->GetCurrentPosition(&play, nullptr))) Track(play);
        Pos dirty = ~0ULL;
        DeliverStream(r.offset1, w1, &dirty);
        DeliverStream(r.offset2, w2, &dirty);
        const HRESULT hr = real->Unlock(r.real1, n1, p2 ? r.real2 : nullptr, n2);
        if (dirty != ~0ULL) RenderAgainFrom(dirty);
        return hr;
    }
    Deliver(r.offset1, r.real1, w1);
    Deliver(r.offset2, r.real2, w2);
    return real->Unlock(r.real1, n1, p2 ? r.real2 : nullptr, n2);
}

void BufferStream::Deliver(DWORD offset, BYTE* real, DWORD bytes) {
    if (!bytes) return;
    // A piece that follows the last one goes on with its state; any other starts afresh.
    if (offset != m_staticEnd) m_chain.Reset();
    fx::FxParams params;
    Params(&params);
    Render(m_chain, params, offset, real, bytes);
    m_staticEnd = (offset + bytes) % m_bytes;
}

void BufferStream::Ahead(DWORD offset, BYTE* real, DWORD bytes) {
    if (!bytes) return;
    if (offset != m_aheadEnd) m_ahead.Reset();
    fx::FxParams params;
    Params(&params);
    Render(m_ahead, params, offset, real, bytes);
    m_aheadEnd = (offset + bytes) % m_bytes;
}

void BufferStream::DeliverStream(DWORD offset, DWORD bytes, Pos* dirty) {
    if (!bytes || m_done <= m_play) return;
    // Each offset is one place of the lap that starts at the play cursor.
    const DWORD at = static_cast<DWORD>(m_play % m_bytes);
    const Pos start = m_play + (offset + m_bytes - at) % m_bytes;
    if (start < m_done && start < *dirty) *dirty = start;
    // A piece running past the lap's end goes on at the play cursor.
    if (start + bytes > m_play + m_bytes && m_play < *dirty) *dirty = m_play;
}

void BufferStream::Render(fx::FxChain& chain, const fx::FxParams& params, DWORD offset, BYTE* to, DWORD bytes) {
    const BYTE* from = m_shadow + offset;
    const DWORD whole = offset % m_align ? 0 : bytes - bytes % m_align;
    bool processed = false;
    if (!m_passThrough && whole) {
        auto work = [&] {
            X87Precision precision;  // the same arithmetic whatever the program set
            chain.Process(params, from, to, whole);
        };
        processed = fault::FaultGuard::Call(work);
        // A fault inside the effects: from now on the buffer plays as written.
        if (!processed) m_passThrough = true;
    }
    if (processed)
        Copy(to + whole, from + whole, bytes - whole);
    else
        Copy(to, from, bytes);
}

bool BufferStream::Advance(Pos end) {
    if (end <= m_done) return true;
    // Saved often enough that the stretch ahead of the cursor holds a few.
    DWORD gap = m_rate / 1000 * m_align * kSaveEveryMs;
    if (m_lead / (kSnapshots - 2) > gap) gap = m_lead / (kSnapshots - 2);
    bool any = false;
    for (int i = 0; i < kSnapshots; ++i) any = any || m_snapshots[i].used;
    if (!any || m_done >= m_lastSaved + gap) Save(m_done);
    const DWORD offset = static_cast<DWORD>(m_done % m_bytes);
    const DWORD bytes = static_cast<DWORD>(end - m_done);
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(m_real->Lock(offset, bytes, &a1, &b1, &a2, &b2, 0)) || !a1) return false;
    fx::FxParams params;
    Params(&params);
    Render(m_chain, params, offset, static_cast<BYTE*>(a1), b1);
    if (a2 && b2) Render(m_chain, params, 0, static_cast<BYTE*>(a2), b2);
    m_real->Unlock(a1, b1, a2, b2);
    m_done += b1 + (a2 ? b2 : 0);
    return true;
}

void BufferStream::CatchUp() {
    // Came late: what lay between was heard as processed when written. The
    // effects' state goes through it all the same (into nothing), so what
    // follows joins on to what was heard.
    fx::FxParams params;
    Params(&params);
    BYTE scratch[4096];
    const DWORD most = sizeof(scratch) - sizeof(scratch) % m_align;
    while (m_done < m_play && !m_passThrough) {
        const DWORD offset = static_cast<DWORD>(m_done % m_bytes);
        DWORD bytes = static_cast<DWORD>(m_play - m_done < most ? m_play - m_done : most);
        if (bytes > m_bytes - offset) bytes = m_bytes - offset;
        Render(m_chain, params, offset, scratch, bytes);
        m_done += bytes;
    }
    m_done = m_play;
}

void BufferStream::Save(Pos pos) {
    Snapshot* slot = nullptr;
    for (int i = 0; i < kSnapshots && !slot; ++i)
        if (!m_snapshots[i].used) slot = &m_snapshots[i];
    if (!slot) {
        slot = &m_snapshots[0];
        for (int i = 1; i < kSnapshots; ++i)
            if (m_snapshots[i].pos < slot->pos) slot = &m_snapshots[i];
    }
    slot->pos = pos;
    slot->used = true;
    slot->chain = m_chain;
    m_lastSaved = pos;
}

void BufferStream::RenderAgainFrom(Pos dirty) {
    Snapshot *best = nullptr, *oldest = nullptr;
    for (int i = 0; i < kSnapshots; ++i) {
        Snapshot& s = m_snapshots[i];
        if (!s.used) continue;
        if (s.pos <= dirty && (!best || s.pos > best->pos)) best = &s;
        if (!oldest || s.pos < oldest->pos) oldest = &s;
    }
    // The state from before the change is no longer kept: from the oldest there is.
    if (!best) best = oldest;
    if (!best || best->pos >= m_done) return;
    const Pos end = m_done;
    m_chain = best->chain;
    m_done = best->pos;
    m_lastSaved = best->pos;
    for (int i = 0; i < kSnapshots; ++i)
        if (m_snapshots[i].used && m_snapshots[i].pos > best->pos) m_snapshots[i].used = false;
    Advance(end);
}

void BufferStream::Track(DWORD play) {
    const DWORD at = static_cast<DWORD>(m_play % m_bytes);
    m_play += (play % m_bytes + m_bytes - at) % m_bytes;
}

void BufferStream::Start(DWORD play) {
    m_chain.Reset();
    m_play = m_done = m_lastSaved = play % m_bytes;
    for (int i = 0; i < kSnapshots; ++i) m_snapshots[i].used = false;
    m_seen = 0;
    m_started = true;
}

DWORD BufferStream::Lead() {
    const DWORD perMs = m_rate / 1000 * m_align;
    DWORD lead = perMs * kLeadMs;
    // The cursor's own pace over the last passes: where the device takes the
    // sound faster than real time, the lead is in time, not in sound.
    const int n = m_seen < kPace ? m_seen : kPace;
    if (n >= 2) {
        const int newest = (m_seen - 1) % kPace, oldest = (m_seen - n) % kPace;
        const DWORD ms = m_seenTick[newest] - m_seenTick[oldest];
        if (ms >= 30) {
            const Pos fast = (m_seenPlay[newest] - m_seenPlay[oldest]) * kLeadWallMs / ms;
            // Bursts of the mixer are not its pace: four times real time at most.
            const Pos most = static_cast<Pos>(lead) * 4;
            if (fast > lead) lead = static_cast<DWORD>(fast < most ? fast : most);
        }
    }
    if (lead > m_bytes / 2) lead = m_bytes / 2;
    return lead - lead % m_align;
}

void BufferStream::Played(DWORD flags) {
    Guard lock(&m_lock);
    if (!m_real || m_deviceGone) return;
    if (flags & DSBPLAY_LOOPING) {
        if (!m_snapshots) m_snapshots = new (std::nothrow) Snapshot[kSnapshots];
        if (!m_snapshots) return;  // no room for a stream: processed when unlocked
        for (int i = 0; i < kSnapshots; ++i) m_snapshots[i].used = m_snapshots[i].used && m_started;
        DWORD play = 0;
        m_real->GetCurrentPosition(&play, nullptr);
        // Played on where it stopped: the stream goes on; anywhere else it starts over.
        if (!m_streaming) {
            // What the program writes next follows what it wrote last, whatever the cursor does.
            m_ahead = m_chain;
            m_aheadEnd = m_staticEnd;
        }
        if (!m_started || play % m_bytes != m_play % m_bytes) Start(play);
        m_streaming = true;
        return;
    }
    if (!m_streaming) return;
    // Once looped, now played once: the whole buffer as a static one.
    m_streaming = false;
    m_started = false;
    m_chain.Reset();
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(m_real->Lock(0, m_bytes, &a1, &b1, &a2, &b2, DSBLOCK_ENTIREBUFFER)) || !a1) return;
    fx::FxParams params;
    Params(&params);
    Render(m_chain, params, 0, static_cast<BYTE*>(a1), b1 < m_bytes ? b1 : m_bytes);
    m_real->Unlock(a1, b1, a2, b2);
    m_staticEnd = 0;
}

void BufferStream::Moved() {
    Guard lock(&m_lock);
    m_started = false;
    m_staticEnd = 0xFFFFFFFF;
    if (!m_streaming || !m_real) return;
    DWORD play = 0;
    if (SUCCEEDED(m_real->GetCurrentPosition(&play, nullptr))) Start(play);
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
    m_started = false;
}

bool BufferStream::Pump() {
    Guard lock(&m_lock);
    if (!m_streaming || m_deviceGone || m_passThrough || !m_snapshots || !m_real) return false;
    DWORD status = 0, play = 0;
    if (FAILED(m_real->GetStatus(&status)) || !(status & DSBSTATUS_PLAYING) || !(status & DSBSTATUS_LOOPING))
        return false;
    if (FAILED(m_real->GetCurrentPosition(&play, nullptr))) return false;
    if (!m_started)
        Start(play);
    else
        Track(play);
    m_seenTick[m_seen % kPace] = GetTickCount();
    m_seenPlay[m_seen % kPace] = m_play;
    ++m_seen;
    if (m_done < m_play) CatchUp();
    m_lead = Lead();
    Advance(m_play + m_lead);
    return true;
}

}  // namespace fxengine

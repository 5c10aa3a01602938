#include "StreamRender.h"

#include <string.h>

#include "ChainPool.h"
#include "EngineShared.h"
#include "fault/FaultGuard.h"
#include "fxengine/hook/X87Precision.h"

namespace fxengine {
namespace {

// How far past the write cursor the real buffer is kept processed: enough
// for the worker's next pass and the mixer's next read, little enough that a
// knob turn is heard within 50 ms beyond the device's own latency.
constexpr DWORD kLeadMs = 45;
// Where the cursor runs faster than real time, the lead is what it covers in this long.
constexpr DWORD kLeadWallMs = 35;
constexpr DWORD kSaveEveryMs = 10;

// The real buffer's memory may go away under us (a lost hardware buffer):
// a fault in copying costs that copy only.
void Copy(void* to, const void* from, DWORD bytes) {
    if (!bytes) return;
    auto copy = [&] { memcpy(to, from, bytes); };
    fault::FaultGuard::Call(copy);
}

}  // namespace

StreamRender::StreamRender(const BYTE* shadow, DWORD bytes, const fx::FxFormat& format)
    : m_shadow(shadow), m_bytes(bytes), m_align(format.blockAlign), m_rate(format.sampleRate), m_format(format) {}

StreamRender::~StreamRender() = default;

bool StreamRender::Open() {
    if (!m_state.Empty()) return true;
    BorrowedChain chain(m_format);
    return chain.Get() && m_state.Save(*chain.Get());
}

size_t StreamRender::Bytes() const {
    size_t bytes = sizeof *this + m_state.Capacity() + m_ahead.Capacity();
    for (const Snapshot& s : m_snapshots) bytes += s.state.Capacity();
    return bytes;
}

void StreamRender::Keep(const fx::FxChain* chain) {
    // Memory short: the stream cannot go on with the effects.
    if (!chain || !m_state.Save(*chain)) m_passThrough = true;
}

void StreamRender::Params(fx::FxParams* out) {
    // Once the hook is gone the effects glide out to the program's own sound.
    if (EngineShared::HookedFlag())
        EngineShared::Snapshot(out);
    else
        fx::FxParams_Reset(out);
}

bool StreamRender::Process(fx::FxChain& chain, const fx::FxParams& params, const BYTE* from, BYTE* to, DWORD bytes,
                           DWORD align) {
    const DWORD whole = bytes - bytes % align;
    bool processed = whole == 0;
    if (whole) {
        auto work = [&] {
            X87Precision precision;  // the same arithmetic whatever the program set
            chain.Process(params, from, to, whole);
        };
        processed = fault::FaultGuard::Call(work);
    }
    if (processed)
        Copy(to + whole, from + whole, bytes - whole);
    else
        Copy(to, from, bytes);
    return processed;
}

void StreamRender::Render(fx::FxChain* chain, const fx::FxParams& params, DWORD offset, BYTE* to, DWORD bytes) {
    if (!chain) m_passThrough = true;
    if (m_passThrough || offset % m_align) {
        Copy(to, m_shadow + offset, bytes);
        return;
    }
    // A fault inside the effects: from now on the buffer plays as written.
    if (!Process(*chain, params, m_shadow + offset, to, bytes, m_align)) m_passThrough = true;
}

void StreamRender::Start(DWORD play) {
    {
        BorrowedChain fresh(m_format);
        Keep(fresh.Get());
    }
    m_play = m_write = m_done = m_lastSaved = play % m_bytes;
    for (int i = 0; i < kSnapshots; ++i) m_snapshots[i].used = false;
    m_seen = 0;
    m_started = true;
}

void StreamRender::Track(DWORD play, DWORD write) {
    play %= m_bytes;
    const DWORD at = static_cast<DWORD>(m_play % m_bytes);
    m_play += (play + m_bytes - at) % m_bytes;
    m_write = m_play + (write % m_bytes + m_bytes - play) % m_bytes;
}

DWORD StreamRender::Lead() {
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

bool StreamRender::Pump(IDirectSoundBuffer* real) {
    DWORD play = 0, write = 0;
    if (FAILED(real->GetCurrentPosition(&play, &write))) return false;
    if (!m_started) Start(play);
    Track(play, write);
    m_seenTick[m_seen % kPace] = GetTickCount();
    m_seenPlay[m_seen % kPace] = m_play;
    ++m_seen;
    if (m_done < m_play) CatchUp();
    m_lead = Lead();
    Pos end = m_write + m_lead;
    // Never a lap ahead: the sound there is the program's next, not yet written.
    if (end > m_play + m_bytes - m_align) end = m_play + m_bytes - m_align;
    return Advance(real, end) && !m_passThrough;
}

bool StreamRender::Advance(IDirectSoundBuffer* real, Pos end) {
    if (end <= m_done) return true;
    // Saved often enough that the stretch past the write cursor holds one.
    DWORD gap = m_rate / 1000 * m_align * kSaveEveryMs;
    if (m_lead / (kSnapshots - 1) > gap) gap = m_lead / (kSnapshots - 1);
    bool any = false;
    for (int i = 0; i < kSnapshots; ++i) any = any || m_snapshots[i].used;
    if (!any || m_done >= m_lastSaved + gap) Save(m_done);
    const DWORD offset = static_cast<DWORD>(m_done % m_bytes);
    const DWORD bytes = static_cast<DWORD>(end - m_done);
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(real->Lock(offset, bytes, &a1, &b1, &a2, &b2, 0)) || !a1) return false;
    if (b1 > bytes) b1 = bytes;
    if (!a2 || b1 + b2 > bytes) b2 = a2 ? bytes - b1 : 0;
    fx::FxParams params;
    Params(&params);
    {
        BorrowedChain chain(m_format, m_state);
        Render(chain.Get(), params, offset, static_cast<BYTE*>(a1), b1);
        if (b2) Render(chain.Get(), params, 0, static_cast<BYTE*>(a2), b2);
        if (!m_passThrough) Keep(chain.Get());
    }
    real->Unlock(a1, b1, a2, b2);
    m_done += b1 + b2;
    return true;
}

void StreamRender::Written(DWORD offset, BYTE* to, DWORD bytes, Pos* dirty) {
    if (!bytes) return;
    if (!m_started) {
        Copy(to, m_shadow + offset, bytes);
        return;
    }
    // Each offset is one place of the lap that starts at the play cursor; a
    // piece running past the lap's end goes on at the play cursor.
    const DWORD at = static_cast<DWORD>(m_play % m_bytes);
    const Pos start = m_play + (offset + m_bytes - at) % m_bytes, lapEnd = m_play + m_bytes;
    const DWORD inLap = start + bytes > lapEnd ? static_cast<DWORD>(lapEnd - start) : bytes;
    const struct {
        Pos from;
        DWORD skip, bytes;
    } parts[2] = {{start, 0, inLap}, {m_play, inLap, bytes - inLap}};
    for (const auto& part : parts) {
        if (!part.bytes) continue;
        if (part.from < m_done && part.from < *dirty) *dirty = part.from;
        const DWORD done = part.from < m_done ? static_cast<DWORD>(m_done - part.from) : 0;
        if (done >= part.bytes) continue;
        // Processed as written, so that a worker that comes late leaves the effects on.
        const DWORD first = part.skip + done;
        Ahead(offset + first, to + first, part.bytes - done);
    }
}

void StreamRender::Ahead(DWORD offset, BYTE* to, DWORD bytes) {
    if (!bytes) return;
    if (m_passThrough || offset % m_align) {
        Copy(to, m_shadow + offset, bytes);
        return;
    }
    // A piece that follows the last one goes on with its state; any other starts afresh.
    if (offset != m_aheadEnd) m_ahead.Clear();
    fx::FxParams params;
    Params(&params);
    BorrowedChain chain(m_format, m_ahead);
    if (!chain.Get() || !Process(*chain.Get(), params, m_shadow + offset, to, bytes, m_align) ||
        !m_ahead.Save(*chain.Get())) {
        if (!chain.Get()) Copy(to, m_shadow + offset, bytes);
        m_passThrough = true;
    }
    m_aheadEnd = (offset + bytes) % m_bytes;
}

void StreamRender::ProcessRest(IDirectSoundBuffer* real) {
    // All of it: the worker starts after the device, and on a busy machine late.
    const Pos end = m_play + m_bytes - m_align;
    if (m_passThrough || m_done >= end) return;
    const DWORD offset = static_cast<DWORD>(m_done % m_bytes);
    const DWORD bytes = static_cast<DWORD>(end - m_done);
    void *a1 = nullptr, *a2 = nullptr;
    DWORD b1 = 0, b2 = 0;
    if (FAILED(real->Lock(offset, bytes, &a1, &b1, &a2, &b2, 0)) || !a1) return;
    if (b1 > bytes) b1 = bytes;
    if (!a2 || b1 + b2 > bytes) b2 = a2 ? bytes - b1 : 0;
    // On from the stream's state, as if the program had written it all just now.
    if (!m_ahead.CopyFrom(m_state)) m_ahead.Clear();
    m_aheadEnd = offset;
    Ahead(offset, static_cast<BYTE*>(a1), b1);
    if (b2) Ahead(0, static_cast<BYTE*>(a2), b2);
    real->Unlock(a1, b1, a2, b2);
}

void StreamRender::CatchUp() {
    // Came late: what lay between was heard as written. The effects' state
    // goes through it all the same (into nothing), so what follows joins on
    // to what it would have been.
    fx::FxParams params;
    Params(&params);
    BYTE scratch[4096];
    const DWORD most = sizeof(scratch) - sizeof(scratch) % m_align;
    BorrowedChain chain(m_format, m_state);
    while (m_done < m_play && !m_passThrough) {
        const DWORD offset = static_cast<DWORD>(m_done % m_bytes);
        DWORD bytes = static_cast<DWORD>(m_play - m_done < most ? m_play - m_done : most);
        if (bytes > m_bytes - offset) bytes = m_bytes - offset;
        Render(chain.Get(), params, offset, scratch, bytes);
        m_done += bytes;
    }
    if (!m_passThrough) Keep(chain.Get());
    m_done = m_play;
}

void StreamRender::Save(Pos pos) {
    Snapshot* slot = nullptr;
    for (int i = 0; i < kSnapshots && !slot; ++i)
        if (!m_snapshots[i].used) slot = &m_snapshots[i];
    if (!slot) {
        slot = &m_snapshots[0];
        for (int i = 1; i < kSnapshots; ++i)
            if (m_snapshots[i].pos < slot->pos) slot = &m_snapshots[i];
    }
    slot->pos = pos;
    slot->used = slot->state.CopyFrom(m_state);  // memory short: one saved state fewer
    m_lastSaved = pos;
}

void StreamRender::RenderAgainFrom(IDirectSoundBuffer* real, Pos dirty) {
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
    if (!m_state.CopyFrom(best->state)) {
        m_passThrough = true;
        return;
    }
    m_done = best->pos;
    m_lastSaved = best->pos;
    for (int i = 0; i < kSnapshots; ++i)
        if (m_snapshots[i].used && m_snapshots[i].pos > best->pos) m_snapshots[i].used = false;
    Advance(real, end);
}

}  // namespace fxengine

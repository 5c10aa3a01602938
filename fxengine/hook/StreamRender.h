// The sound of a looping buffer as one stream: the effects' state carried
// round the ring, the real buffer kept processed a little ahead of where the
// device reads (its write cursor, beyond which the program may still write),
// and what the program writes into the part already processed processed
// again from the state saved before it. Positions count bytes from the start
// of the stream; the caller holds the buffer's lock around every call. The
// stream keeps the effects' states only (fx::ChainState: its own, the
// program's pieces', a few saved ones) and runs them on a chain borrowed from
// the process's pool.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "fx/ChainState.h"
#include "fx/FxChain.h"

namespace fxengine {

class StreamRender {
public:
    typedef unsigned long long Pos;

    StreamRender(const BYTE* shadow, DWORD bytes, const fx::FxFormat& format);
    ~StreamRender();
    StreamRender(const StreamRender&) = delete;
    StreamRender& operator=(const StreamRender&) = delete;
    // Its first state; false when memory is short.
    bool Open();
    // The memory it holds.
    size_t Bytes() const;

    // Processes shadow[offset, +bytes) into `to` with `chain`; a fault makes
    // it a copy (and the buffer a pass-through, which the caller keeps).
    static bool Process(fx::FxChain& chain, const fx::FxParams& params, const BYTE* from, BYTE* to, DWORD bytes,
                        DWORD align);
    static void Params(fx::FxParams* out);

    // The stream starts over at the play cursor's offset.
    void Start(DWORD play);
    bool Started() const { return m_started; }
    void Stop() { m_started = false; }
    // The cursors as the real buffer reports them now.
    void Track(DWORD play, DWORD write);
    // Processes the real buffer up to `lead` past the write cursor, going
    // first through what the cursor passed unprocessed; false when faulted.
    bool Pump(IDirectSoundBuffer* real);
    // The program wrote shadow[offset, +bytes), whose real memory is `to`:
    // past what is processed it is processed as written, in the order
    // written (a chain of its own), so that a worker that comes late leaves
    // the effects on; the part already processed is marked in `dirty`.
    void Written(DWORD offset, BYTE* to, DWORD bytes, Pos* dirty);
    // Processes again from the state saved before `dirty` up to where it was.
    void RenderAgainFrom(IDirectSoundBuffer* real, Pos dirty);
    // What the program wrote before it played, processed on from where the
    // stream is (once, when it starts: Play waits for it).
    void ProcessRest(IDirectSoundBuffer* real);
    // Goes through what the play cursor passed before it was processed, so
    // that what follows joins on to the state it would have had.
    void CatchUp();
    bool PassThrough() const { return m_passThrough; }

    Pos Played() const { return m_play; }
    Pos Done() const { return m_done; }

private:
    static const int kSnapshots = 3;
    static const int kPace = 8;
    struct Snapshot {
        Pos pos = 0;
        bool used = false;
        fx::ChainState state;
    };

    bool Advance(IDirectSoundBuffer* real, Pos end);
    void Render(fx::FxChain* chain, const fx::FxParams& params, DWORD offset, BYTE* to, DWORD bytes);
    void Keep(const fx::FxChain* chain);  // the chain's state is the stream's again
    void Ahead(DWORD offset, BYTE* to, DWORD bytes);
    void Save(Pos pos);
    DWORD Lead();

    const BYTE* m_shadow;
    DWORD m_bytes, m_align, m_rate;
    fx::FxFormat m_format;
    fx::ChainState m_state;
    fx::ChainState m_ahead;  // the program's pieces as written, and where the last one ended
    DWORD m_aheadEnd = 0xFFFFFFFF;
    Snapshot m_snapshots[kSnapshots];
    bool m_passThrough = false;
    bool m_started = false;
    Pos m_play = 0, m_write = 0, m_done = 0, m_lastSaved = 0;
    // The play cursor's pace over the last few passes.
    DWORD m_seenTick[kPace] = {};
    Pos m_seenPlay[kPace] = {};
    int m_seen = 0;
    DWORD m_lead = 0;
};

}  // namespace fxengine

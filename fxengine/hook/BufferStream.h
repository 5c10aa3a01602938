// The sound of one DirectSound secondary buffer through the effects. The
// program writes into a shadow of the buffer (its own view, never changed by
// us); the real buffer holds what the effects make of it:
// - a buffer that has not been played looping is processed when unlocked
//   (pieces written one after the other carry the effects' state on);
// - a buffer playing looping is a stream: the worker keeps the real buffer
//   processed a few tens of milliseconds ahead of the play cursor, the
//   effects' state carried round the ring, so a knob turn is heard at once
//   however far ahead the program wrote. What the program writes beyond that
//   is processed as it is written too, in case the worker comes late; what
//   it writes into the part already processed is processed again from the
//   state saved just before it.
// A processor fault inside the effects makes the buffer a plain pass-through.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "fx/FxChain.h"

namespace fxengine {

class BufferStream {
public:
    // A stream for `real` in `format`; null when the effects do not take the
    // format or memory is short. `real` stays the original proxy's: it is
    // borrowed until Detach.
    static BufferStream* Create(IDirectSoundBuffer* real, const WAVEFORMATEX& format, const void* owner);
    void AddRef();
    void Release();

    // The proxies that show this buffer to the program (a duplicate shares it).
    void AddUser() { InterlockedIncrement(&m_users); }
    bool DropUser() { return InterlockedDecrement(&m_users) == 0; }  // true: the last one

    const void* Owner() const { return m_owner; }
    bool Streaming() const { return m_streaming; }

    // The program's own calls on `real` (the original or a duplicate, which
    // share the memory), with the program's pointers into the shadow.
    HRESULT Lock(IDirectSoundBuffer* real, DWORD offset, DWORD bytes, void** p1, DWORD* n1, void** p2, DWORD* n2,
                 DWORD flags);
    HRESULT Unlock(IDirectSoundBuffer* real, void* p1, DWORD n1, void* p2, DWORD n2);
    // Told after the real buffer's own Play (Played) and SetCurrentPosition (Moved) succeeded.
    void Played(DWORD flags);
    void Moved();
    // The device the buffer came from was released: the worker leaves it alone.
    void DeviceGone();
    // The original buffer is released: the stream no longer plays on its own.
    void Detach();

    // The worker: processes ahead of the play cursor; false when not playing looping.
    bool Pump();

private:
    static const int kLocks = 4;
    static const int kSnapshots = 8;
    static const int kPace = 8;
    typedef unsigned long long Pos;  // a place in the stream, counted from its start

    // One lock the program holds: where it is in the real buffer.
    struct LockRecord {
        BYTE* shadow;  // the program's first pointer (null: free)
        BYTE* real1;
        BYTE* real2;
        DWORD offset1, bytes1, offset2, bytes2;
    };
    // The effects' state just before a place in the stream.
    struct Snapshot {
        Pos pos;
        bool used;
        fx::FxChain chain;
    };

    BufferStream(IDirectSoundBuffer* real, DWORD bytes, const fx::FxFormat& format, const void* owner);
    ~BufferStream();
    BufferStream(const BufferStream&) = delete;
    BufferStream& operator=(const BufferStream&) = delete;

    bool LoadShadow();
    void Deliver(DWORD offset, BYTE* real, DWORD bytes);
    void DeliverStream(DWORD offset, DWORD bytes, Pos* dirty);
    // Processes shadow[offset, +bytes) into `to` with `chain`; raw once faulted.
    void Render(fx::FxChain& chain, const fx::FxParams& params, DWORD offset, BYTE* to, DWORD bytes);
    // A streaming buffer's piece as the program writes it, processed in the
    // order written, so that a worker that comes late leaves the effects on.
    void Ahead(DWORD offset, BYTE* real, DWORD bytes);
    // Processes the stream up to `end` into the real buffer, through its own lock.
    bool Advance(Pos end);
    void RenderAgainFrom(Pos dirty);
    void CatchUp();
    void Save(Pos pos);
    void Track(DWORD play);
    void Start(DWORD play);
    DWORD Lead();
    static void Params(fx::FxParams* out);

    volatile LONG m_refs = 1;
    volatile LONG m_users = 1;
    CRITICAL_SECTION m_lock;
    IDirectSoundBuffer* m_real;
    const void* m_owner;
    DWORD m_bytes;
    DWORD m_align;
    DWORD m_rate;
    BYTE* m_shadow = nullptr;
    fx::FxChain m_chain;
    bool m_passThrough = false;
    bool m_deviceGone = false;
    LockRecord m_locks[kLocks] = {};

    // Processed when unlocked: where the last piece ended.
    DWORD m_staticEnd = 0xFFFFFFFF;
    fx::FxChain m_ahead;  // a stream's pieces as written, and where the last one ended
    DWORD m_aheadEnd = 0xFFFFFFFF;

    // Streaming.
    volatile bool m_streaming = false;
    bool m_started = false;  // positions below are valid
    Pos m_play = 0;          // the play cursor last seen
    Pos m_done = 0;          // processed up to here
    Pos m_lastSaved = 0;
    Snapshot* m_snapshots = nullptr;  // kSnapshots, made when the buffer first streams
    int m_nextSnapshot = 0;
    // The play cursor's speed, seen over the last few passes.
    DWORD m_seenTick[kPace] = {};
    Pos m_seenPlay[kPace] = {};
    DWORD m_lead = 0;
    int m_seen = 0;
};

}  // namespace fxengine

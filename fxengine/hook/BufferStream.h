// The sound of one DirectSound secondary buffer through the effects. While
// the real buffer holds the program's own bytes (made, written, played with
// the effects off or at rest) the program locks it directly and we keep
// nothing. Once the real buffer holds anything else, the program writes into
// a shadow of it (its own view, never changed by us: every lock it takes is
// the shadow's, LockTable); the real buffer holds what is heard:
// - written, the program's bytes go to the real buffer as they are;
// - played once (a static sound effect, also through a duplicate), the whole
//   buffer is rendered with the effects' settings of that moment, by a chain
//   borrowed for it (ChainPool), or put back as written when the effects are
//   off;
// - played looping, it is a stream (StreamRender): the worker keeps it
//   processed just past the write cursor, the effects' state carried round
//   the ring.
// A processor fault inside the effects makes the buffer a plain pass-through.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "LockTable.h"
#include "fx/FxChain.h"

namespace fxengine {

class StreamRender;

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
    // Before the real buffer's Play: what it plays first is made ready.
    // `original`: the original buffer, whose cursor a looping stream follows.
    void Playing(DWORD flags, bool original);
    // After the real buffer's SetCurrentPosition and Restore succeeded.
    void Moved();
    void Restored();
    // The device the buffer came from was released: the worker leaves it alone.
    void DeviceGone();
    // The original buffer is released: the stream no longer plays on its own.
    void Detach();

    // The worker: processes ahead of the write cursor; false when not playing looping.
    bool Pump();

    // The memory it holds beside the real buffer.
    size_t Bytes() const;

private:
    BufferStream(IDirectSoundBuffer* real, DWORD bytes, const fx::FxFormat& format, const void* owner);
    ~BufferStream();
    BufferStream(const BufferStream&) = delete;
    BufferStream& operator=(const BufferStream&) = delete;

    bool MakeShadow();
    void DropShadow();
    bool Rendering() const;  // a looping stream is under way
    void RenderWhole();
    void PutBackPlain();

    volatile LONG m_refs = 1;
    volatile LONG m_users = 1;
    CRITICAL_SECTION m_lock;
    IDirectSoundBuffer* m_real;
    const void* m_owner;
    DWORD m_bytes;
    fx::FxFormat m_format;
    BYTE* m_shadow = nullptr;  // while the real buffer may hold other than the program's bytes
    LockTable m_locks;
    int m_realLocks = 0;               // the program's locks of the real buffer itself, while no shadow was
    StreamRender* m_render = nullptr;  // made when the buffer first plays looping
    bool m_passThrough = false;
    bool m_deviceGone = false;
    volatile bool m_streaming = false;

    // What the real buffer holds: exactly the shadow, or the shadow's
    // rendering for m_renderedParams as it was at m_renderedWrites.
    bool m_realPlain = true;
    bool m_rendered = false;
    fx::FxParams m_renderedParams = {};
    DWORD m_writes = 0, m_renderedWrites = 0;
};

}  // namespace fxengine

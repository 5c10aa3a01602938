// The notify interface of one of our buffers: the real one's, except that
// asking it for the buffer gives the engine's buffer (the program then
// writes through the shadow as with every other pointer it holds).
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

namespace fxengine {

class NotifyProxy final : public IDirectSoundNotify {
public:
    // Takes the program's reference to `real`; `buffer` is the engine's buffer
    // (held). `real` itself when memory is short.
    static IDirectSoundNotify* Wrap(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer);

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(SetNotificationPositions)(DWORD count, LPCDSBPOSITIONNOTIFY positions) override;

private:
    NotifyProxy(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer);
    ~NotifyProxy();
    NotifyProxy(const NotifyProxy&) = delete;
    NotifyProxy& operator=(const NotifyProxy&) = delete;

    volatile LONG m_refs = 1;
    IDirectSoundNotify* m_real;
    IDirectSoundBuffer8* m_buffer;
};

}  // namespace fxengine

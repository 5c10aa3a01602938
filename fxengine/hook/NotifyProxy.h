// The notify interface of one of our buffers: the real one's, except that
// asking it for the buffer gives the engine's buffer (the program then
// writes through the shadow as with every other pointer it holds).
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "ComWrapper.h"

namespace fxengine {

class NotifyProxy final : public ComWrapper<NotifyProxy, IDirectSoundNotify> {
public:
    // Takes the program's reference to `real`; `buffer` is the engine's buffer
    // (held). `real` itself when memory is short.
    static IDirectSoundNotify* Wrap(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer);

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD(SetNotificationPositions)(DWORD count, LPCDSBPOSITIONNOTIFY positions) override;

private:
    friend class ComWrapper<NotifyProxy, IDirectSoundNotify>;
    NotifyProxy(IDirectSoundNotify* real, IDirectSoundBuffer8* buffer);
    ~NotifyProxy();

    IDirectSoundNotify* m_real;
    IDirectSoundBuffer8* m_buffer;
};

}  // namespace fxengine

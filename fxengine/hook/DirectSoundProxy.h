// What the program holds in place of a DirectSound object: every call goes
// to the real object; the secondary buffers it creates (and duplicates of
// ours) come back as the engine's.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "ComWrapper.h"

namespace fxengine {

class DirectSoundProxy final : public ComWrapper<DirectSoundProxy, IDirectSound8> {
public:
    // The program's object as the engine's (`real` itself when memory is short).
    static IDirectSound8* Wrap(IDirectSound8* real, bool is8);
    // The real object behind one of ours; anything else as it is.
    static IDirectSound* Unwrap(IDirectSound* sound);

    // IUnknown (the count is ComWrapper's)
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    // IDirectSound
    STDMETHOD(CreateSoundBuffer)(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER buffer, IUnknown* outer) override;
    STDMETHOD(GetCaps)(LPDSCAPS caps) override;
    STDMETHOD(DuplicateSoundBuffer)(LPDIRECTSOUNDBUFFER original, LPLPDIRECTSOUNDBUFFER duplicate) override;
    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD level) override;
    STDMETHOD(Compact)() override;
    STDMETHOD(GetSpeakerConfig)(LPDWORD config) override;
    STDMETHOD(SetSpeakerConfig)(DWORD config) override;
    STDMETHOD(Initialize)(LPCGUID device) override;
    // IDirectSound8 (reached only where the real object answered to it)
    STDMETHOD(VerifyCertification)(LPDWORD certified) override;

private:
    friend class ComWrapper<DirectSoundProxy, IDirectSound8>;
    DirectSoundProxy(IDirectSound8* real, bool is8);
    ~DirectSoundProxy();

    IDirectSound8* m_real;  // the program's reference, now ours
    volatile bool m_is8;
};

}  // namespace fxengine

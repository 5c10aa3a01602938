// What the program holds in place of a DirectSound object: every call goes
// to the real object; the secondary buffers it creates (and duplicates of
// ours) come back as the engine's.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

namespace fxengine {

class DirectSoundProxy final : public IDirectSound8 {
public:
    // The program's object as the engine's (`real` itself when memory is short).
    static IDirectSound8* Wrap(IDirectSound8* real, bool is8);
    // The real object behind one of ours; anything else as it is.
    static IDirectSound* Unwrap(IDirectSound* sound);

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
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
    DirectSoundProxy(IDirectSound8* real, bool is8);
    ~DirectSoundProxy();
    DirectSoundProxy(const DirectSoundProxy&) = delete;
    DirectSoundProxy& operator=(const DirectSoundProxy&) = delete;

    volatile LONG m_refs = 1;
    IDirectSound8* m_real;  // the program's reference, now ours
    volatile bool m_is8;
};

}  // namespace fxengine

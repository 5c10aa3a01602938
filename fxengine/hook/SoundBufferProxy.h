// What the program holds in place of a DirectSound secondary buffer: every
// call goes to the real buffer, except Lock and Unlock, which go through the
// buffer's stream (the program writes and reads its own shadow; the real
// buffer gets the processed sound), and Play, SetCurrentPosition and
// Restore, which the stream is told of. The notify interface comes wrapped,
// so that the buffer reached again through it is this one.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include "ComWrapper.h"

namespace fxengine {

class BufferStream;

class SoundBufferProxy final : public ComWrapper<SoundBufferProxy, IDirectSoundBuffer8> {
public:
    // The program's buffer as the engine's, or `real` itself when the effects
    // do not take it. `owner` is the device that made it.
    static IDirectSoundBuffer* Wrap(IDirectSoundBuffer* real, const DSBUFFERDESC& desc, const void* owner);
    // A duplicate of one of ours shares its stream (null: `original` is not ours).
    static SoundBufferProxy* From(IDirectSoundBuffer* original);
    static IDirectSoundBuffer* Duplicate(SoundBufferProxy* original, IDirectSoundBuffer* realDuplicate);
    IDirectSoundBuffer* Real() const { return reinterpret_cast<IDirectSoundBuffer*>(m_real); }

    // IUnknown (the count is ComWrapper's)
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    // IDirectSoundBuffer
    STDMETHOD(GetCaps)(LPDSBCAPS caps) override;
    STDMETHOD(GetCurrentPosition)(LPDWORD play, LPDWORD write) override;
    STDMETHOD(GetFormat)(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override;
    STDMETHOD(GetVolume)(LPLONG volume) override;
    STDMETHOD(GetPan)(LPLONG pan) override;
    STDMETHOD(GetFrequency)(LPDWORD frequency) override;
    STDMETHOD(GetStatus)(LPDWORD status) override;
    STDMETHOD(Initialize)(LPDIRECTSOUND sound, LPCDSBUFFERDESC desc) override;
    STDMETHOD(Lock)(DWORD offset, DWORD bytes, LPVOID* p1, LPDWORD n1, LPVOID* p2, LPDWORD n2, DWORD flags) override;
    STDMETHOD(Play)(DWORD reserved1, DWORD priority, DWORD flags) override;
    STDMETHOD(SetCurrentPosition)(DWORD position) override;
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX format) override;
    STDMETHOD(SetVolume)(LONG volume) override;
    STDMETHOD(SetPan)(LONG pan) override;
    STDMETHOD(SetFrequency)(DWORD frequency) override;
    STDMETHOD(Stop)() override;
    STDMETHOD(Unlock)(LPVOID p1, DWORD n1, LPVOID p2, DWORD n2) override;
    STDMETHOD(Restore)() override;
    // IDirectSoundBuffer8 (reached only where the real buffer answered to it:
    // through the real buffer's own 8 interface)
    STDMETHOD(SetFX)(DWORD count, LPDSEFFECTDESC desc, LPDWORD results) override;
    STDMETHOD(AcquireResources)(DWORD flags, DWORD count, LPDWORD results) override;
    STDMETHOD(GetObjectInPath)(REFGUID object, DWORD index, REFGUID iid, LPVOID* out) override;

private:
    friend class ComWrapper<SoundBufferProxy, IDirectSoundBuffer8>;
    SoundBufferProxy(IDirectSoundBuffer* real, BufferStream* stream, bool original);
    ~SoundBufferProxy();

    IDirectSoundBuffer8* m_real;   // a reference of ours (the interface the buffer was made as)
    IDirectSoundBuffer8* m_real8;  // the real buffer's 8 interface, a reference of ours (null: none)
    BufferStream* m_stream;        // a reference of ours
    bool m_original;               // a duplicate plays the memory, the stream follows the original
};

}  // namespace fxengine

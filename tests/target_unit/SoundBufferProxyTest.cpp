// The 8 interface's own calls on the engine's buffer reach the object the
// real buffer gave for IDirectSoundBuffer8, not the interface it was made as:
// a driver may hand out a separate object per interface, and the one the
// buffer was made as need not have these entries at all.
#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fxengine/hook/SoundBufferProxy.h"

namespace {

constexpr HRESULT kMadeAsAnswer = E_FAIL;         // never the program's answer
constexpr HRESULT kEightAnswer = DSERR_NODRIVER;  // told apart from any success or refusal of ours

// One face of the real buffer; the face it was made as hands out `eight`
// (null: none) when asked for the 8 interface.
class Face final : public IDirectSoundBuffer8 {
public:
    explicit Face(HRESULT answer, Face* eight = nullptr) : m_answer(answer), m_eight(eight) {}
    struct Call {
        int method = 0;  // 0 none, 1 SetFX, 2 AcquireResources, 3 GetObjectInPath
        DWORD a = 0, b = 0;
        const void *p = nullptr, *q = nullptr, *r = nullptr;
    } m_last;

    STDMETHOD(QueryInterface)(REFIID riid, void** out) override {
        IUnknown* face = IsEqualGUID(riid, IID_IDirectSoundBuffer8)                                     ? m_eight
                         : IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectSoundBuffer) ? this
                                                                                                        : nullptr;
        *out = face;
        return face ? S_OK : E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetCaps)(LPDSBCAPS caps) override {
        caps->dwBufferBytes = 4096;
        return DS_OK;
    }
    STDMETHOD(GetCurrentPosition)(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetFormat)(LPWAVEFORMATEX, DWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetVolume)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetPan)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetFrequency)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetStatus)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(LPDIRECTSOUND, LPCDSBUFFERDESC) override { return E_NOTIMPL; }
    STDMETHOD(Lock)(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Play)(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetCurrentPosition)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX) override { return E_NOTIMPL; }
    STDMETHOD(SetVolume)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetPan)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetFrequency)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Stop)() override { return E_NOTIMPL; }
    STDMETHOD(Unlock)(LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Restore)() override { return E_NOTIMPL; }
    STDMETHOD(SetFX)(DWORD count, LPDSEFFECTDESC desc, LPDWORD results) override {
        return Record({1, count, 0, desc, results, nullptr});
    }
    STDMETHOD(AcquireResources)(DWORD flags, DWORD count, LPDWORD results) override {
        return Record({2, flags, count, results, nullptr, nullptr});
    }
    STDMETHOD(GetObjectInPath)(REFGUID object, DWORD index, REFGUID iid, LPVOID* out) override {
        return Record({3, index, 0, &object, &iid, out});
    }

private:
    HRESULT Record(const Call& call) {
        m_last = call;
        return m_answer;
    }
    HRESULT m_answer;
    Face* m_eight;
};

TEST(SoundBufferProxyTest, EightCallsReachTheRealEightInterface) {
    DSEFFECTDESC effects[2] = {};
    DWORD results[3] = {};
    void* found = nullptr;
    GUID object = GUID_All_Objects, iid = IID_IDirectSoundFXEcho8;
    struct Row {
        const char* name;
        std::function<HRESULT(IDirectSoundBuffer8*)> call;
        Face::Call expected;
    };
    const Row rows[] = {
        {"SetFX",
         [&](IDirectSoundBuffer8* b) { return b->SetFX(2, effects, results); },
         {1, 2, 0, effects, results, nullptr}},
        {"AcquireResources",
         [&](IDirectSoundBuffer8* b) { return b->AcquireResources(DSBPLAY_LOCSOFTWARE, 3, results); },
         {2, DSBPLAY_LOCSOFTWARE, 3, results, nullptr, nullptr}},
        {"GetObjectInPath",
         [&](IDirectSoundBuffer8* b) { return b->GetObjectInPath(object, 1, iid, &found); },
         {3, 1, 0, &object, &iid, &found}},
    };
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    DSBUFFERDESC desc = {sizeof(desc), 0, 4096, 0, &format, GUID_NULL};
    for (const bool hasEight : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (hasEight ? " with" : " without") + " an 8 interface");
            Face eight(kEightAnswer), madeAs(kMadeAsAnswer, hasEight ? &eight : nullptr);
            // The 8 interface begins with every entry of the older one.
            IDirectSoundBuffer* real =
                reinterpret_cast<IDirectSoundBuffer*>(static_cast<IDirectSoundBuffer8*>(&madeAs));
            IDirectSoundBuffer* wrapped = fxengine::SoundBufferProxy::Wrap(real, desc, nullptr);
            ASSERT_NE(wrapped, real) << "the buffer was not wrapped";
            EXPECT_EQ(row.call(reinterpret_cast<IDirectSoundBuffer8*>(wrapped)),
                      hasEight ? kEightAnswer : E_NOINTERFACE);
            wrapped->Release();
            EXPECT_EQ(madeAs.m_last.method, 0) << "called through the interface the buffer was made as";
            const Face::Call& got = eight.m_last;
            const Face::Call& want = hasEight ? row.expected : Face::Call{};
            EXPECT_EQ(got.method, want.method);
            EXPECT_EQ(got.a, want.a);
            EXPECT_EQ(got.b, want.b);
            EXPECT_EQ(got.p, want.p);
            EXPECT_EQ(got.q, want.q);
            EXPECT_EQ(got.r, want.r);
        }
    }
}

}  // namespace

// A DirectSound buffer's stream against a stand-in for the real buffer whose
// play cursor the test moves: what the program reads back is what it wrote,
// the real buffer holds the effects' continuous rendering even where the
// program wrote into the part already processed, and a fault inside the
// processing makes the buffer a plain pass-through without harm.
#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fxengine/hook/BufferStream.h"
#include "fxengine/hook/EngineShared.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

namespace {

constexpr DWORD kRate = 48000, kBlock = 4, kBytes = kRate / 2 * kBlock;  // half a second

// The real buffer: memory in a line, a play cursor the test sets, and a
// switch that hands out memory nobody may write.
class FakeBuffer final : public IDirectSoundBuffer {
public:
    FakeBuffer() : m_memory(kBytes, 0) {
        m_forbidden = static_cast<BYTE*>(VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY));
    }
    ~FakeBuffer() { VirtualFree(m_forbidden, 0, MEM_RELEASE); }
    std::vector<BYTE> m_memory;
    BYTE* m_forbidden;
    bool m_forbid = false;
    DWORD m_play = 0, m_status = 0;
    int m_locks = 0;

    STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetCaps)(LPDSBCAPS caps) override {
        caps->dwBufferBytes = kBytes;
        return DS_OK;
    }
    STDMETHOD(GetCurrentPosition)(LPDWORD play, LPDWORD write) override {
        if (play) *play = m_play;
        if (write) *write = (m_play + kRate / 100 * kBlock) % kBytes;
        return DS_OK;
    }
    STDMETHOD(GetFormat)(LPWAVEFORMATEX, DWORD, LPDWORD) override { return DS_OK; }
    STDMETHOD(GetVolume)(LPLONG) override { return DS_OK; }
    STDMETHOD(GetPan)(LPLONG) override { return DS_OK; }
    STDMETHOD(GetFrequency)(LPDWORD) override { return DS_OK; }
    STDMETHOD(GetStatus)(LPDWORD status) override {
        *status = m_status;
        return DS_OK;
    }
    STDMETHOD(Initialize)(LPDIRECTSOUND, LPCDSBUFFERDESC) override { return DS_OK; }
    STDMETHOD(Lock)(DWORD offset, DWORD bytes, LPVOID* p1, LPDWORD n1, LPVOID* p2, LPDWORD n2, DWORD flags) override {
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = kBytes;
        if (offset >= kBytes || bytes > kBytes) return DSERR_INVALIDPARAM;
        BYTE* base = m_forbid ? m_forbidden : m_memory.data();
        *p1 = base + offset;
        *n1 = offset + bytes <= kBytes ? bytes : kBytes - offset;
        if (p2) *p2 = offset + bytes > kBytes ? base : nullptr;
        if (n2) *n2 = bytes - *n1;
        ++m_locks;
        return DS_OK;
    }
    STDMETHOD(Play)(DWORD, DWORD, DWORD) override { return DS_OK; }
    STDMETHOD(SetCurrentPosition)(DWORD) override { return DS_OK; }
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX) override { return DS_OK; }
    STDMETHOD(SetVolume)(LONG) override { return DS_OK; }
    STDMETHOD(SetPan)(LONG) override { return DS_OK; }
    STDMETHOD(SetFrequency)(DWORD) override { return DS_OK; }
    STDMETHOD(Stop)() override { return DS_OK; }
    STDMETHOD(Unlock)(LPVOID, DWORD, LPVOID, DWORD) override {
        --m_locks;
        return DS_OK;
    }
    STDMETHOD(Restore)() override { return DS_OK; }
};

// The effects switched on for this process, as the console's hook would.
class BufferStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fxengine::EngineShared::Attach());
        fx::FxParams_Reset(&m_params);
        const float level = 6.0f / 11.0f;
        m_params.enable3D = 1;
        m_params.level3D = level;
        m_params.level3DScaled = level / 8;
        m_params.enableVibe = 1;
        m_params.vibe[0] = m_params.vibe[1] = level;
        fxengine::EngineShared::Publish(m_params);
        fxengine::EngineShared::SetHook(GetCurrentProcessId());
        m_stream = fxengine::BufferStream::Create(&m_real, Format(), nullptr);
        ASSERT_NE(m_stream, nullptr);
    }
    void TearDown() override {
        if (m_stream) m_stream->Release();
        fxengine::EngineShared::ClearHook();
        fx::FxParams off;
        fx::FxParams_Reset(&off);
        fxengine::EngineShared::Publish(off);
    }
    static WAVEFORMATEX Format() {
        WAVEFORMATEX f = {WAVE_FORMAT_PCM, 2, kRate, kRate * kBlock, kBlock, 16, 0};
        return f;
    }
    // The program writes the signal from frame `first` at `offset` and checks it reads back.
    void Write(DWORD offset, DWORD bytes, uint32_t first) {
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(m_stream->Lock(&m_real, offset, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        std::vector<char> data(bytes);
        testsignal::Fill(data.data(), bytes, first, kRate, 2, 16);
        memcpy(p1, data.data(), n1);
        if (n2) memcpy(p2, data.data() + n1, n2);
        ASSERT_EQ(m_stream->Unlock(&m_real, p1, n1, p2, n2), DS_OK);
        ASSERT_EQ(m_stream->Lock(&m_real, offset, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        EXPECT_EQ(memcmp(p1, data.data(), n1), 0) << "the program reads back otherwise than it wrote";
        if (n2) {
            EXPECT_EQ(memcmp(p2, data.data() + n1, n2), 0);
        }
        ASSERT_EQ(m_stream->Unlock(&m_real, p1, 0, p2, 0), DS_OK);
    }
    // The first `bytes` of the program's buffer rendered as one stream.
    std::string Rendered(const std::vector<char>& shadow, DWORD bytes) {
        EngineRender render({1, 2, kRate, 16, kBlock});
        std::string out;
        render.Buffer(m_params, shadow.data(), bytes, &out);
        return out;
    }
    std::string Real(DWORD bytes) const {
        return std::string(m_real.m_memory.begin(), m_real.m_memory.begin() + bytes);
    }

    FakeBuffer m_real;
    fx::FxParams m_params;
    fxengine::BufferStream* m_stream = nullptr;
};

TEST_F(BufferStreamTest, AStreamIsProcessedAheadOfTheCursorAndAgainWhereTheProgramWroteIntoIt) {
    Write(0, kBytes, 0);  // the whole ring, then played looping from the start
    m_real.m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
    m_stream->Played(DSBPLAY_LOOPING);
    ASSERT_TRUE(m_stream->Pump());
    std::vector<char> shadow(kBytes);
    testsignal::Fill(shadow.data(), kBytes, 0, kRate, 2, 16);
    const DWORD lead = 45 * kRate / 1000 * kBlock;
    EXPECT_TRUE(Real(lead) == Rendered(shadow, lead).substr(0, lead));

    // A program that writes just behind the write cursor, inside what was processed.
    const DWORD at = 12 * kRate / 1000 * kBlock, bytes = 20 * kRate / 1000 * kBlock;
    Write(at, bytes, 777777);
    testsignal::Fill(&shadow[at], bytes, 777777, kRate, 2, 16);
    EXPECT_TRUE(Real(lead) == Rendered(shadow, lead).substr(0, lead)) << "not processed again from before the write";

    // The cursor moves on: the state carries on where it was.
    m_real.m_play = 40 * kRate / 1000 * kBlock;
    ASSERT_TRUE(m_stream->Pump());
    const DWORD further = m_real.m_play + lead;
    EXPECT_TRUE(Real(further) == Rendered(shadow, further));
    EXPECT_EQ(m_real.m_locks, 0);
}

TEST_F(BufferStreamTest, AWorkerThatComesLateJoinsOnToWhatWasHeard) {
    Write(0, kBytes, 0);
    m_real.m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
    m_stream->Played(DSBPLAY_LOOPING);
    ASSERT_TRUE(m_stream->Pump());
    // The cursor ran 200 ms while the worker slept: what it writes next must
    // still be the one continuous rendering.
    // The program writes its next lap behind the cursor before the worker wakes.
    const DWORD played = 200 * kRate / 1000 * kBlock;
    m_real.m_play = played;
    Write(0, played, kBytes / kBlock);
    ASSERT_TRUE(m_stream->Pump());
    std::vector<char> heard(kBytes);
    testsignal::Fill(heard.data(), kBytes, 0, kRate, 2, 16);
    EXPECT_TRUE(Real(kBytes).substr(played) == Rendered(heard, kBytes).substr(played));
}

TEST_F(BufferStreamTest, AKnobTurnReachesWhatTheProgramWroteLongBefore) {
    Write(0, kBytes, 0);  // half a second written ahead, with the first settings
    m_real.m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
    m_stream->Played(DSBPLAY_LOOPING);
    ASSERT_TRUE(m_stream->Pump());
    const fx::FxParams before = m_params;
    m_params.vibe[0] = m_params.vibe[1] = 1.0f;  // Vibe up
    m_params.masterGain = 0.5f;
    fxengine::EngineShared::Publish(m_params);

    // 10 ms on, the sound 55 ms ahead of where the cursor stood carries the turn.
    const DWORD lead = 45 * kRate / 1000 * kBlock, step = 10 * kRate / 1000 * kBlock;
    m_real.m_play = step;
    ASSERT_TRUE(m_stream->Pump());
    std::vector<char> shadow(kBytes);
    testsignal::Fill(shadow.data(), kBytes, 0, kRate, 2, 16);
    EngineRender render({1, 2, kRate, 16, kBlock});
    std::string expected;
    render.Buffer(before, shadow.data(), lead, &expected);
    render.Buffer(m_params, shadow.data() + lead, step, &expected);
    EXPECT_TRUE(Real(lead + step) == expected);
    std::string unturned;
    EngineRender({1, 2, kRate, 16, kBlock}).Buffer(before, shadow.data(), lead + step, &unturned);
    EXPECT_FALSE(Real(lead + step) == unturned) << "the turn changed nothing";
}

TEST_F(BufferStreamTest, AFaultInTheProcessingMakesTheBufferAPlainPassThrough) {
    m_real.m_forbid = true;  // the output cannot be written: the processing faults
    Write(0, kBytes / 2, 0);
    m_real.m_forbid = false;
    EXPECT_EQ(m_real.m_locks, 0);
    // From now on the program's sound goes to the device as written.
    Write(kBytes / 2, kBytes / 2, 5000);
    std::vector<char> plain(kBytes / 2);
    testsignal::Fill(plain.data(), kBytes / 2, 5000, kRate, 2, 16);
    EXPECT_EQ(memcmp(m_real.m_memory.data() + kBytes / 2, plain.data(), plain.size()), 0);
    m_real.m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
    m_stream->Played(DSBPLAY_LOOPING);
    EXPECT_FALSE(m_stream->Pump()) << "a pass-through buffer is not processed ahead";
}

}  // namespace

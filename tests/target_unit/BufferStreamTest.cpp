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

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fxengine/hook/BufferStream.h"
#include "fxengine/hook/EngineShared.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

namespace {

constexpr DWORD kRate = 48000, kBlock = 4, kBytes = kRate / 2 * kBlock;  // half a second
constexpr DWORD kMs = kRate / 1000 * kBlock;                             // bytes per millisecond
constexpr DWORD kWriteLead = 10 * kMs;                                   // the write cursor past the play cursor
constexpr DWORD kAhead = kWriteLead + 45 * kMs;                          // processed that far past the play cursor

// The real buffer: memory in a line, a play cursor the test sets, and
// switches for what drivers do: hand out memory nobody may write, lock a
// wrap-around through a staging copy (written into the buffer at Unlock),
// lock DSBLOCK_ENTIREBUFFER from the offset or from the start, lose the
// memory until Restore.
class FakeBuffer final : public IDirectSoundBuffer {
public:
    FakeBuffer() : m_memory(kBytes, 0), m_staging(kBytes, 0) {
        m_forbidden = static_cast<BYTE*>(VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY));
    }
    ~FakeBuffer() { VirtualFree(m_forbidden, 0, MEM_RELEASE); }
    std::vector<BYTE> m_memory, m_staging;
    BYTE* m_forbidden;
    bool m_forbid = false, m_stageWrap = false, m_entireFromStart = false, m_lost = false;
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
        if (write) *write = (m_play + kWriteLead) % kBytes;
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
        if (m_lost) return DSERR_BUFFERLOST;
        if (flags & DSBLOCK_ENTIREBUFFER) {
            bytes = kBytes;
            if (m_entireFromStart) offset = 0;
        }
        if (offset >= kBytes || bytes > kBytes) return DSERR_INVALIDPARAM;
        BYTE* base = m_forbid ? m_forbidden : m_memory.data();
        *p1 = base + offset;
        *n1 = offset + bytes <= kBytes ? bytes : kBytes - offset;
        const DWORD wrapped = bytes - *n1;
        if (p2) *p2 = wrapped ? (m_stageWrap ? m_staging.data() : base) : nullptr;
        if (n2) *n2 = wrapped;
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
    STDMETHOD(Unlock)(LPVOID, DWORD, LPVOID p2, DWORD n2) override {
        // The staging copy reaches the buffer's start.
        if (p2 == m_staging.data() && n2) memcpy(m_memory.data(), m_staging.data(), n2);
        --m_locks;
        return DS_OK;
    }
    STDMETHOD(Restore)() override {
        // Memory back, contents gone, stopped at the start.
        m_lost = false;
        std::fill(m_memory.begin(), m_memory.end(), 0x55);
        m_play = m_status = 0;
        return DS_OK;
    }
};

// What a lock hands out: the part at the offset and the part from the ring's start.
struct Locked {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
};

// Locks `bytes` at `offset` through the stream and writes `data` there, the
// part past the ring's end from `wrapped` (by default where `data` goes on).
void LockAndWrite(fxengine::BufferStream* stream, IDirectSoundBuffer* real, DWORD offset, DWORD bytes, const char* data,
                  const char* wrapped = nullptr) {
    Locked l;
    ASSERT_EQ(stream->Lock(real, offset, bytes, &l.p1, &l.n1, &l.p2, &l.n2, 0), DS_OK);
    ASSERT_EQ(l.n1 + l.n2, bytes);
    memcpy(l.p1, data, l.n1);
    if (l.n2) memcpy(l.p2, wrapped ? wrapped : data + l.n1, l.n2);
    ASSERT_EQ(stream->Unlock(real, l.p1, l.n1, l.p2, l.n2), DS_OK);
}

// The effects on for this process with `params`, or Korvane closed (null).
void SetEffects(const fx::FxParams* params) {
    if (!params) return fxengine::EngineShared::ClearHook();
    fxengine::EngineShared::Publish(*params);
    fxengine::EngineShared::SetHook(GetCurrentProcessId());
}

// `bytes` of the test signal from frame `first` on.
std::vector<char> Signal(uint32_t first, DWORD bytes = kBytes) {
    std::vector<char> s(bytes);
    testsignal::Fill(s.data(), bytes, first, kRate, 2, 16);
    return s;
}

// Played looping from the start, with the stand-in reporting it so.
void PlayLooping(FakeBuffer& real, fxengine::BufferStream* stream) {
    stream->Playing(DSBPLAY_LOOPING, true);
    real.m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
}

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
        SetEffects(&m_params);
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
        const std::vector<char> data = Signal(first, bytes);
        LockAndWrite(m_stream, &m_real, offset, bytes, data.data());
        Locked l;
        ASSERT_EQ(m_stream->Lock(&m_real, offset, bytes, &l.p1, &l.n1, &l.p2, &l.n2, 0), DS_OK);
        EXPECT_EQ(memcmp(l.p1, data.data(), l.n1), 0) << "the program reads back otherwise than it wrote";
        if (l.n2) {
            EXPECT_EQ(memcmp(l.p2, data.data() + l.n1, l.n2), 0);
        }
        ASSERT_EQ(m_stream->Unlock(&m_real, l.p1, 0, l.p2, 0), DS_OK);
    }
    // The whole ring written with the signal from frame 0, played looping
    // from the start; what the program wrote.
    std::vector<char> WriteRingAndLoop() {
        Write(0, kBytes, 0);
        PlayLooping(m_real, m_stream);
        return Signal(0);
    }
    // The first `bytes` of a stream rendered as one (with the test's settings unless given).
    std::string Rendered(const std::vector<char>& shadow, DWORD bytes, const fx::FxParams* params = nullptr) {
        std::string out;
        EngineRender({1, 2, kRate, 16, kBlock}).Buffer(params ? *params : m_params, shadow.data(), bytes, &out);
        return out;
    }
    static std::string Real(const FakeBuffer& real, DWORD bytes) {
        return std::string(real.m_memory.begin(), real.m_memory.begin() + bytes);
    }
    std::string Real(DWORD bytes) const { return Real(m_real, bytes); }

    FakeBuffer m_real;
    fx::FxParams m_params;
    fxengine::BufferStream* m_stream = nullptr;
};

TEST_F(BufferStreamTest, AStreamIsProcessedPastTheWriteCursorAndAgainWhereTheProgramWroteIntoIt) {
    std::vector<char> shadow = WriteRingAndLoop();
    EXPECT_TRUE(Real(kAhead) == Rendered(shadow, kAhead)) << "not processed before the device reads it";

    // A program that writes at the write cursor, inside what was processed.
    const DWORD at = kWriteLead, bytes = 20 * kMs;
    Write(at, bytes, 777777);
    testsignal::Fill(&shadow[at], bytes, 777777, kRate, 2, 16);
    EXPECT_TRUE(Real(kAhead) == Rendered(shadow, kAhead)) << "not processed again from before the write";

    // The cursor moves on: the state carries on where it was.
    m_real.m_play = 40 * kMs;
    ASSERT_TRUE(m_stream->Pump());
    const DWORD further = m_real.m_play + kAhead;
    EXPECT_TRUE(Real(further) == Rendered(shadow, further));
    EXPECT_EQ(m_real.m_locks, 0);
}

TEST_F(BufferStreamTest, AWorkerThatComesLateJoinsOnToWhatWasHeard) {
    const std::vector<char> heard = WriteRingAndLoop();
    // The cursor ran 200 ms while the worker slept; the program writes its
    // next lap behind the cursor before the worker wakes.
    const DWORD played = 200 * kMs;
    m_real.m_play = played;
    Write(0, played, kBytes / kBlock);
    ASSERT_TRUE(m_stream->Pump());
    const DWORD end = played + kAhead;
    EXPECT_TRUE(Real(end).substr(played) == Rendered(heard, end).substr(played));
}

TEST_F(BufferStreamTest, AKnobTurnReachesWhatTheProgramWroteLongBefore) {
    const std::vector<char> shadow = WriteRingAndLoop();  // half a second ahead, with the first settings
    const fx::FxParams before = m_params;
    m_params.vibe[0] = m_params.vibe[1] = 1.0f;  // Vibe up
    m_params.masterGain = 0.5f;
    fxengine::EngineShared::Publish(m_params);

    // 10 ms on, the sound 10 ms past what was processed carries the turn.
    const DWORD step = 10 * kMs;
    m_real.m_play = step;
    ASSERT_TRUE(m_stream->Pump());
    EngineRender render({1, 2, kRate, 16, kBlock});
    std::string expected;
    render.Buffer(before, shadow.data(), kAhead, &expected);
    render.Buffer(m_params, shadow.data() + kAhead, step, &expected);
    EXPECT_TRUE(Real(kAhead + step) == expected);
    EXPECT_FALSE(Real(kAhead + step) == Rendered(shadow, kAhead + step, &before)) << "the turn changed nothing";
}

// Each kind of lock a driver may answer, written across the ring's end just
// past what was processed: the real buffer must hold the rendering of what
// the program wrote there, never the previous lap's sound.
enum LockKind { kStaging, kEntireFromOffset, kEntireFromStart, kFifthLock };
class LockKindTest : public BufferStreamTest, public ::testing::WithParamInterface<LockKind> {};

TEST_P(LockKindTest, EveryLockIsTheShadowsSoTheNextLapIsWhatTheProgramWrote) {
    const LockKind kind = GetParam();
    const std::vector<char> shadow = WriteRingAndLoop();
    // The cursor near the ring's end; the program writes the next lap from there on.
    m_real.m_play = kBytes - 100 * kMs;
    ASSERT_TRUE(m_stream->Pump());
    const std::string startBefore = Real(30 * kMs);
    const std::vector<char> next = Signal(500000);
    const DWORD from = kBytes - 40 * kMs, bytes = 80 * kMs;  // across the ring's end
    Locked held[4];
    for (Locked& h : held) {
        if (kind == kFifthLock) {
            ASSERT_EQ(m_stream->Lock(&m_real, 0, kMs, &h.p1, &h.n1, &h.p2, &h.n2, 0), DS_OK);
        }
    }
    m_real.m_stageWrap = kind == kStaging;
    m_real.m_entireFromStart = kind == kEntireFromStart;
    if (kind == kEntireFromOffset || kind == kEntireFromStart) {
        // The whole ring, the program's data placed where the lock says it starts.
        Locked l;
        ASSERT_EQ(m_stream->Lock(&m_real, from, 0, &l.p1, &l.n1, &l.p2, &l.n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        ASSERT_EQ(l.n1 + l.n2, kBytes);
        std::vector<char> ring(shadow);
        memcpy(&ring[from], next.data(), kBytes - from);
        memcpy(&ring[0], next.data() + (kBytes - from), bytes - (kBytes - from));
        memcpy(l.p1, &ring[l.n1 == kBytes ? 0 : from], l.n1);
        if (l.n2) memcpy(l.p2, &ring[0], l.n2);
        ASSERT_EQ(m_stream->Unlock(&m_real, l.p1, l.n1, l.p2, l.n2), DS_OK);
    } else {
        LockAndWrite(m_stream, &m_real, from, bytes, next.data());
    }
    for (const Locked& h : held) {
        if (h.p1) {
            ASSERT_EQ(m_stream->Unlock(&m_real, h.p1, 0, nullptr, 0), DS_OK);
        }
    }
    m_real.m_stageWrap = m_real.m_entireFromStart = false;
    // The cursor comes round: the worker goes through the new sound and processes past it.
    m_real.m_play = 30 * kMs;
    ASSERT_TRUE(m_stream->Pump());
    // The stream heard: the first lap up to the new sound, the new sound,
    // then the first lap's sound where the program wrote nothing new.
    std::vector<char> stream(shadow.begin(), shadow.begin() + from);
    stream.insert(stream.end(), next.begin(), next.begin() + bytes);
    stream.insert(stream.end(), shadow.begin() + 40 * kMs, shadow.begin() + 85 * kMs);
    const DWORD now = kBytes + 30 * kMs;  // where the cursor stands in the stream
    EXPECT_TRUE(Real(85 * kMs).substr(30 * kMs) == Rendered(stream, now + kAhead).substr(now))
        << "the lap after the lock is not what the program wrote";
    // What the cursor passed before the worker came was processed at the
    // write, the part at the ring's start too: not the sound it held before,
    // nor the program's plain sound, nor a driver's empty staging copy. (How
    // it joins on depends on how far the lead had gone, which the cursor's
    // pace in real time decides.)
    const std::string atStart = Real(30 * kMs);
    EXPECT_FALSE(atStart == startBefore) << "the part at the ring's start was left as it was";
    EXPECT_FALSE(atStart == std::string(next.begin() + 40 * kMs, next.begin() + 70 * kMs))
        << "the part at the ring's start was left unprocessed";
    EXPECT_FALSE(atStart == std::string(atStart.size(), '\0')) << "the part at the ring's start was left silent";
    EXPECT_EQ(m_real.m_locks, 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, LockKindTest,
                         ::testing::Values(kStaging, kEntireFromOffset, kEntireFromStart, kFifthLock));

TEST_F(BufferStreamTest, AFaultInTheProcessingMakesTheBufferAPlainPassThrough) {
    Write(0, kBytes, 0);
    m_real.m_forbid = true;  // the output cannot be written: the processing faults
    PlayLooping(m_real, m_stream);
    m_real.m_forbid = false;
    EXPECT_EQ(m_real.m_locks, 0);
    EXPECT_FALSE(m_stream->Pump()) << "a pass-through buffer is not processed ahead";
    // From now on the program's sound goes to the device as written.
    Write(kBytes / 2, kBytes / 2, 5000);
    const std::vector<char> plain = Signal(5000, kBytes / 2);
    EXPECT_EQ(memcmp(m_real.m_memory.data() + kBytes / 2, plain.data(), plain.size()), 0);
}

// A sound effect loaded once and played many times: each play is heard with
// the settings of its moment, also through a duplicate, and the program's
// own sound once the effects are off.
TEST_F(BufferStreamTest, AStaticSoundIsRenderedForEachPlayAndPlainOnceTheEffectsAreOff) {
    fxengine::EngineShared::ClearHook();  // loaded before Korvane runs
    Write(0, kBytes, 0);
    const std::vector<char> shadow = Signal(0);
    const std::string plain(shadow.begin(), shadow.end());
    fx::FxParams turned = m_params;
    turned.vibe[0] = turned.vibe[1] = 1.0f;
    turned.masterGain = 0.5f;
    struct Step {
        bool on;
        const fx::FxParams* params;
        bool original;
    } steps[] = {{true, &m_params, true}, {true, &turned, false}, {true, &turned, true}, {false, nullptr, true}};
    for (const Step& step : steps) {
        SetEffects(step.on ? step.params : nullptr);
        m_stream->Playing(0, step.original);
        if (step.on) {
            EXPECT_TRUE(Real(kBytes) == Rendered(shadow, kBytes, step.params))
                << "not the rendering for the settings of this play";
        } else {
            EXPECT_TRUE(Real(kBytes) == plain) << "the effects stay after Korvane closed";
        }
    }
    m_params = turned;  // for TearDown's reset
}

// What a buffer holds beside the real one: nothing of its own while the real
// buffer holds the program's bytes (Korvane closed, or every level at 0), its
// size again while a rendering of it plays, at most 256 KB beyond that for a
// stream with every effect on, written at the write cursor as it goes.
TEST_F(BufferStreamTest, ABufferHoldsLittleBesideItsOwnSound) {
    fx::FxParams rest, all = m_params;
    fx::FxParams_Reset(&rest);
    all.level3D = all.vibe[2] = all.soundfields = 1.0f;
    all.level3DScaled = 1.0f / 8;
    all.enableSoundfields = 1;
    const struct {
        const char* name;
        const fx::FxParams* params;  // null: Korvane closed
        DWORD play;
        size_t most;
    } cases[] = {
        {"static, Korvane closed", nullptr, 0, 16384},
        {"static, every level 0", &rest, 0, 16384},
        {"static, effects on", &m_params, 0, kBytes + 16384},
        {"stream, every effect", &all, DSBPLAY_LOOPING, kBytes + 256 * 1024},
    };
    const std::vector<char> sound = Signal(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakeBuffer> real(new FakeBuffer);
        fxengine::BufferStream* stream = fxengine::BufferStream::Create(real.get(), Format(), nullptr);
        ASSERT_NE(stream, nullptr);
        SetEffects(c.params);
        // Written whole, played; a stream is fed 20 ms pieces at the write cursor for two laps.
        const auto write = [&](DWORD offset, DWORD bytes) {
            LockAndWrite(stream, real.get(), offset, bytes, &sound[offset], sound.data());
        };
        write(0, kBytes);
        stream->Playing(c.play, true);
        if (c.play) {
            real->m_status = DSBSTATUS_PLAYING | DSBSTATUS_LOOPING;
            for (DWORD ms = 10; ms <= 1000; ms += 10) {
                real->m_play = ms * kMs % kBytes;
                ASSERT_TRUE(stream->Pump());
                write((real->m_play + kWriteLead) % kBytes, 20 * kMs);
            }
        } else {
            EXPECT_EQ(Real(*real, kBytes) == std::string(sound.begin(), sound.end()), c.params != &m_params);
        }
        EXPECT_LE(stream->Bytes(), c.most);
        stream->Release();
    }
    fxengine::EngineShared::SetHook(GetCurrentProcessId());
}

// A buffer lost and restored (its memory given back empty): the program's
// sound goes back in, and played again it is rendered from its start.
TEST_F(BufferStreamTest, ARestoredBufferPlaysTheProgramsSoundAgain) {
    const std::vector<char> shadow = WriteRingAndLoop();
    m_real.m_play = 100 * kMs;
    ASSERT_TRUE(m_stream->Pump());
    m_real.m_lost = true;
    Locked l;
    EXPECT_EQ(m_stream->Lock(&m_real, 0, kMs, &l.p1, &l.n1, &l.p2, &l.n2, 0), DSERR_BUFFERLOST);
    ASSERT_EQ(m_real.Restore(), DS_OK);
    m_stream->Restored();
    EXPECT_TRUE(Real(kBytes) == std::string(shadow.begin(), shadow.end())) << "the restored buffer is not refilled";
    PlayLooping(m_real, m_stream);
    EXPECT_TRUE(Real(kAhead) == Rendered(shadow, kAhead)) << "played again, not rendered from its start";
}

}  // namespace

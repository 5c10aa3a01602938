// What a DirectSound program sounds like with Korvane running, posing as
// Windows 98: the test player (korvplay.exe api=ds, a window program) plays the
// DirectSound test signal from a streaming ring or a static buffer; the
// session's ALSA file device captures what Wine's mixer made of it, and that
// must be the effects library's own rendering of the signal for the state the
// journal says the hook received. The player itself checks that its buffer
// always reads back as it wrote it.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "fx/FxParams.h"
#include "harness/InputDriver.h"
#include "harness/Wait.h"
#include "sound/TestPlayer.h"
#include "tests/common/EngineRender.h"
#include "tests/engine_e2e/player/DsSignal.h"

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kRate = 48000;  // the mixer's own rate here: no resampling between
// A little longer than the player's ring (four seconds), so the ring is
// refilled behind the play cursor.
constexpr DWORD kMs = 4200;
// With the effects up, a little shorter: under Wine the mixer takes the
// sound about four times faster than real time (the capture device never
// waits), so the effects cost four times what they cost playing for real;
// a busy machine then holds the player back until its ring runs dry. (The
// worker's part, ahead of the cursor, is tested with a stand-in buffer.)
constexpr DWORD kEffectsMs = 3800;
// The device's last periods may not reach the file before the program ends.
constexpr DWORD kEnd = kRate / 10;
constexpr DWORD kFrames = kRate / 1000 * kMs;
constexpr DWORD kEffectsFrames = kRate / 1000 * kEffectsMs;

uint32_t Le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

// What the mixer wrote, as 16-bit stereo frames. The capture's format is the
// mixer's: this Wine's mixer writes 32-bit float stereo at 48 kHz (a WAV
// header, when the capture has one, gives the channels and the sample size;
// ALSA's header calls float samples PCM, so 32 bits are taken as float). A
// sample that is not a 16-bit one fails the comparison later.
std::vector<int16_t> Decode(const std::string& capture) {
    size_t at = 0;
    uint32_t bits = 32, channels = 2;
    if (capture.size() >= 44 && capture.compare(0, 4, "RIFF") == 0) {
        for (size_t p = 12; p + 8 <= capture.size();) {
            const uint32_t size = Le(capture, p + 4, 4);
            if (capture.compare(p, 4, "fmt ") == 0) {
                channels = Le(capture, p + 10, 2);
                bits = Le(capture, p + 22, 2);
            }
            if (capture.compare(p, 4, "data") == 0) {
                at = p + 8;
                break;
            }
            p += 8 + size;
        }
    }
    std::vector<int16_t> out;
    const size_t sampleBytes = bits / 8, frameBytes = sampleBytes * channels;
    for (; at + frameBytes <= capture.size(); at += frameBytes)
        for (uint32_t c = 0; c < 2; ++c) {
            const size_t s = at + (c < channels ? c : 0) * sampleBytes;
            int32_t v;
            if (bits == 16) {
                v = static_cast<int16_t>(Le(capture, s, 2));
            } else {
                float f;
                memcpy(&f, &capture[s], 4);
                const float scaled = f * 32768.0f;
                v = static_cast<int32_t>(lrintf(scaled));
                if (static_cast<float>(v) != scaled) v = 0x7FFFFFFF;  // not a 16-bit sample: can match nothing
            }
            out.push_back(static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v));
        }
    return out;
}

// The frames that sound, in order: the mixer may put silence anywhere it
// came late (a busy machine), which says nothing about the effects.
std::vector<int16_t> Sounding(const std::vector<int16_t>& frames, size_t* gaps = nullptr) {
    std::vector<int16_t> out;
    bool silent = false;
    for (size_t i = 0; i + 1 < frames.size(); i += 2) {
        const bool now = frames[i] == 0 && frames[i + 1] == 0;
        if (now && !silent && !out.empty() && gaps) ++*gaps;
        silent = now;
        if (now) continue;
        out.push_back(frames[i]);
        out.push_back(frames[i + 1]);
    }
    return out;
}

constexpr size_t kSame = static_cast<size_t>(-1);

// The frames heard compared with `expected` (stereo): the first sounding
// frame that differs, or kSame when every one of them was heard as expected.
size_t FirstDifference(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected) {
    size_t gaps = 0;
    const std::vector<int16_t> heard = Sounding(captured, &gaps);
    const std::vector<int16_t> wanted = Sounding(expected);
    if (gaps > 1) printf("the mixer left %zu gaps of silence\n", gaps - 1);
    for (size_t i = 0; i < wanted.size(); ++i)
        if (i >= heard.size() || heard[i] != wanted[i]) return i / 2;
    return kSame;
}

std::vector<int16_t> Signal(uint32_t channels, DWORD frames = kFrames) {
    std::vector<int16_t> s((frames - kEnd) * channels);
    dssignal::Fill(s.data(), frames - kEnd, 0, frames, kRate, channels);
    return s;
}

std::vector<int16_t> Rendered(const fx::FxParams& state, DWORD total = kEffectsFrames) {
    std::vector<int16_t> in(total * 2);
    dssignal::Fill(in.data(), total, 0, total, kRate, 2);
    EngineRender render({1, 2, kRate, 16, 4});
    std::string out;
    render.Buffer(state, in.data(), static_cast<uint32_t>(in.size() * 2), &out);
    std::vector<int16_t> frames((total - kEnd) * 2);
    memcpy(frames.data(), out.data(), frames.size() * 2);
    return frames;
}

// Energy of the side (L-R): what the widening adds to.
double Side(const std::vector<int16_t>& s, size_t frames) {
    double side = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double d = static_cast<double>(s[2 * i]) - s[2 * i + 1];
        side += d * d;
    }
    return side / frames;
}

// Amplitude of the mid at `hz` (Goertzel over the whole stretch).
double Level(const std::vector<int16_t>& s, size_t frames, double hz) {
    const double w = 6.283185307179586 * hz / kRate, k = 2 * std::cos(w);
    double a = 0, b = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = s[2 * i] + s[2 * i + 1] + k * a - b;
        b = a;
        a = x;
    }
    return std::sqrt(a * a + b * b - k * a * b) / frames;
}

class DirectSoundTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_FALSE(m_player.CapturePath().empty()) << "no capture device: run under tools/run-tests.sh";
    }

    // Plays to the end; the player's exit code (0: its buffer always read back as written).
    DWORD Play(const char* mode, DWORD ms = kMs, DWORD ringMs = 4000) {
        const std::string words = "api=ds mode=" + std::string(mode) + " rate=" + std::to_string(kRate) +
                                  " ms=" + std::to_string(ms) + " ring=" + std::to_string(ringMs);
        if (!m_player.Start("win98", words)) return 999;
        return m_player.Finish();
    }
    std::vector<int16_t> Heard() const { return Decode(m_player.Heard()); }

    // Korvane with 3D and Vibe up and the master volume three steps down
    // (moved in the About window, as a user does); the state the hook got.
    fx::FxParams StartKorvaneWithEffects(HWND* console, KorvaneProcess** korvane) {
        StoreSettings(6, 11, 0, 0, 0);
        *console = StartToEngine("win98", korvane);
        if (!*console) return {};
        HWND about = OpenAboutByCommand(**korvane, *console);
        HWND slider = about ? GetDlgItem(about, 1012) : nullptr;
        if (slider && InputDriver::Activate(about)) {
            InputDriver::Key(VK_TAB);
            for (int i = 0; i < 3; ++i) InputDriver::Key(VK_LEFT);
            WaitUntil([&] { return SendMessageA(slider, TBM_GETPOS, 0, 0) == 17; }, kUiMs);
            // The moves' messages are sent from the window's own thread.
            EXPECT_TRUE(CaughtUp(about));
            InputDriver::Key(VK_ESCAPE);
            WaitUntil([&] { return !IsWindow(about); }, kUiMs);
        }
        return HookState(Journal::Read(LaunchMark()));
    }

    TestPlayer m_player;
};

TEST_F(DirectSoundTest, StreamingAndLookedUpBuffersSoundAsTheEffectsRenderThem) {
    HWND console = nullptr;
    KorvaneProcess* korvane = nullptr;
    const fx::FxParams state = StartKorvaneWithEffects(&console, &korvane);
    ASSERT_NE(console, nullptr);
    ASSERT_LT(state.masterGain, 0.75f) << "the master volume did not move";
    ASSERT_TRUE(state.enable3D && state.enableVibe);
    const std::vector<int16_t> input = Signal(2, kEffectsFrames), expected = Rendered(state);

    for (const char* mode : {"stream", "lookup"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(Play(mode, kEffectsMs), 0u) << "korvplay exit code (see player/Player.h)";
        const std::vector<int16_t> heard = Heard();
        const size_t differs = FirstDifference(heard, expected);
        EXPECT_EQ(differs, kSame) << "captured " << heard.size() / 2 << " frames";
        if (differs != kSame) continue;
        // What the rendering does, heard: wider, more 60 Hz, the master's gain.
        const double gain = state.masterGain;
        EXPECT_GT(Side(expected, kEffectsFrames - kEnd), 1.2 * gain * gain * Side(input, kEffectsFrames - kEnd));
        EXPECT_GT(Level(expected, kEffectsFrames - kEnd, 60.0),
                  1.12 * gain * Level(input, kEffectsFrames - kEnd, 60.0));
    }
    ASSERT_TRUE(CloseAndWait(*korvane, console));
}

// A ring fed while it plays, as programs feed theirs, and the object made as
// programs make it, with the effects up: wider throughout (untouched, as the
// engine left pieces written at the program's own offsets and COM-made
// objects, it is not). The stream stays within the player's ring of four
// seconds, half of it written before Play: here the mixer takes the sound
// four times faster than real time, and a busy machine held the player's
// timer back by up to seconds, so the player may run dry near the end; the
// sound heard until then is what is checked. Bit for bit at levels 0 is
// shown by the stream above and, for every kind of lock and feed, with a
// stand-in buffer (tests/target_unit/BufferStreamTest.cpp).
TEST_F(DirectSoundTest, PiecesAtTheProgramsOwnOffsetsAndACoCreatedObjectAreWidened) {
    HWND console = nullptr;
    KorvaneProcess* korvane = nullptr;
    const fx::FxParams state = StartKorvaneWithEffects(&console, &korvane);
    ASSERT_NE(console, nullptr);
    const std::vector<int16_t> input = Signal(2, kEffectsFrames);
    const double gain = state.masterGain, plain = Side(input, kEffectsFrames - kEnd);
    for (const char* mode : {"pieces", "cocreate"}) {
        SCOPED_TRACE(mode);
        Play(mode, kEffectsMs);
        const std::vector<int16_t> heard = Sounding(Heard());
        ASSERT_GT(heard.size() / 2, kEffectsFrames / 2) << "too little was heard";
        EXPECT_GT(Side(heard, heard.size() / 2), 1.2 * gain * gain * plain) << "not wider than the program's own";
    }
    ASSERT_TRUE(CloseAndWait(*korvane, console));
}

TEST_F(DirectSoundTest, StaticBufferAtLevelsZeroIsBitExactAndAThreeDBufferIsLeftAlone) {
    StoreSettings(0, 0, 0, 0, 0);
    KorvaneProcess* korvane = nullptr;
    HWND console = StartToEngine("win98", &korvane);
    ASSERT_NE(console, nullptr);
    const std::vector<int16_t> input = Signal(2);
    EXPECT_EQ(Play("static"), 0u);
    EXPECT_EQ(FirstDifference(Heard(), input), kSame) << "levels at 0 changed the static buffer";
    EXPECT_EQ(Play("stream"), 0u);
    EXPECT_EQ(FirstDifference(Heard(), input), kSame) << "levels at 0 changed the stream";
    ASSERT_TRUE(CloseAndWait(*korvane, console));

    // A 3D-positioned mono buffer sounds the same with the effects up as
    // without Korvane at all.
    HWND console2 = nullptr;
    KorvaneProcess* korvane2 = nullptr;
    StartKorvaneWithEffects(&console2, &korvane2);
    ASSERT_NE(console2, nullptr);
    EXPECT_EQ(Play("3d"), 0u);
    const std::vector<int16_t> withKorvane = Heard();
    ASSERT_TRUE(CloseToUnhook(*korvane2, console2));
    EXPECT_EQ(Play("3d"), 0u);
    std::vector<int16_t> alone = Sounding(Heard());
    const size_t compared = (kFrames - kEnd) * 2;
    ASSERT_GT(alone.size(), compared);
    alone.resize(compared);
    EXPECT_EQ(FirstDifference(withKorvane, alone), kSame);
}

TEST_F(DirectSoundTest, AfterKorvaneClosesAProgramPlaysPlain) {
    HWND console = nullptr;
    KorvaneProcess* korvane = nullptr;
    StartKorvaneWithEffects(&console, &korvane);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(CloseToUnhook(*korvane, console));
    EXPECT_EQ(Play("stream"), 0u);
    EXPECT_EQ(FirstDifference(Heard(), Signal(2)), kSame);
}

}  // namespace

// What DirectSound programs sound like with Korvane running, posing as
// Windows 98: the test player (korvplay.exe api=ds, a window program) plays the
// DirectSound test signal from a looping buffer fed in each of the ways
// programs feed theirs, with its object made in each of the ways programs
// make it, and from a static buffer played again and again; the session's
// ALSA file device captures what Wine's mixer made of it. The player itself
// checks that its buffer always reads back as it wrote it (its exit code).

#include "fx/FxParams.h"
#include "harness/InputDriver.h"
#include "harness/Wait.h"
#include "sound/DsCapture.h"
#include "sound/PlayerTest.h"

#include <commctrl.h>

namespace {

using namespace dscapture;

constexpr DWORD kRate = 48000;  // the mixer's own rate here: no resampling between
// Streams of three laps of a ring of one second: every wrap of the ring and
// of the engine's own position is met twice; more laps only repeat them, at
// seconds of wall time each under this rig's emulated processor (the
// effects at 11 make a stream of 10 s take 20 to 100 s: fxengine/README.md).
// A sound effect of one second.
constexpr DWORD kStreamMs = 3000, kRingMs = 1000, kEffectMs = 1000;
// The device's last periods may not reach the file before the program ends.
constexpr DWORD kEnd = kRate / 10;
constexpr DWORD kStreamFrames = kRate / 1000 * kStreamMs, kEffectFrames = kRate / 1000 * kEffectMs;

// The player's exit codes (player/Player.h): all well, or all well but it
// fell behind (this machine may hold a program back for seconds; its ring
// then plays a lap again, which is the program's own doing).
constexpr DWORD kKeptUp = 0, kFellBehind = 25;
::testing::AssertionResult ReadBackAsWritten(DWORD exitCode) {
    if (exitCode == kKeptUp || exitCode == kFellBehind) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "korvplay exit code " << exitCode << " (see player/Player.h)";
}

// One way of streaming: how the player feeds its ring, and how it made its object.
struct Streaming {
    const char* feed;
    const char* create;
};
// Each feed once, each way of making the object once.
const Streaming kStreamings[] = {
    {"notify", "ds"}, {"pieces", "com"}, {"cursor", "ds8"}, {"fromwrite", "com8"}, {"whole", "lookup"}};

class DirectSoundTest : public PlayerTest {
protected:
    DirectSoundTest() : PlayerTest("KorvaneDsTest") {}

    bool Start(const std::string& words, DWORD ms) {
        return m_player.Start("win98",
                              "api=ds rate=" + std::to_string(kRate) + " ms=" + std::to_string(ms) + " " + words);
    }
    // Plays to the end; the player's exit code (0: its buffer always read back as written).
    DWORD Play(const std::string& words, DWORD ms) { return Start(words, ms) ? m_player.Finish() : 999; }
    DWORD Stream(const Streaming& s, DWORD ms) {
        return Play(
            std::string("mode=stream feed=") + s.feed + " create=" + s.create + " ring=" + std::to_string(kRingMs), ms);
    }
    std::vector<int16_t> Heard() const { return Decode(m_player.Heard()); }

    // The master volume three steps down (moved in the About window, as a
    // user does); the state the hook got.
    fx::FxParams LowerMasterVolume() {
        HWND about = OpenAboutByCommand(*m_korvane, m_console);
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
};

// One Korvane for it all: every way of streaming with 3D at 11 (wider than
// the program's own throughout), then with every level at 0 (nothing heard
// that the program did not write);
// then a sound effect heard as the knob says when it is played, not when it
// was loaded: at levels 0 its own sound; loaded at 0 and played after a
// turn of the 3D knob to 11 (through a duplicate), the effects' rendering
// for that state, bit for bit; loaded at 11 and played after Korvane
// closed, its own sound again.
TEST_F(DirectSoundTest, EveryWayOfStreamingAndAStaticEffectSoundAsTheKnobsSayWhenPlayed) {
    StoreSettings(11, 0, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const fx::FxParams eleven = HookState(JournalSinceStart());
    ASSERT_TRUE(eleven.enable3D);
    const std::vector<int16_t> input = PlayerSignal(kRate, kStreamFrames);
    const double plain = Side(input, kStreamFrames - kEnd);
    for (const Streaming& s : kStreamings) {
        SCOPED_TRACE(std::string(s.feed) + " from " + s.create + ", 3D at 11");
        EXPECT_TRUE(ReadBackAsWritten(Stream(s, kStreamMs)));
        const std::vector<int16_t> heard = Sounding(Heard());
        EXPECT_GT(heard.size() / 2, kStreamFrames * 9 / 10) << "too little was heard";
        EXPECT_GT(Side(heard, heard.size() / 2), 1.2 * eleven.masterGain * eleven.masterGain * plain)
            << "not wider than the program's own";
    }

    Turn3D(-11);
    const std::vector<int16_t> whole = PlayerSignal(kRate, kStreamFrames + kEnd);
    for (const Streaming& s : kStreamings) {
        SCOPED_TRACE(std::string(s.feed) + " from " + s.create + ", levels at 0");
        EXPECT_TRUE(ReadBackAsWritten(Stream(s, kStreamMs)));
        const std::vector<int16_t> heard = Heard();
        EXPECT_EQ(NotOfTheSignal(heard, whole), kSame) << "captured " << heard.size() / 2 << " frames";
    }

    // The effect: played at once at levels 0; loaded then, and played
    // (through a duplicate) after the turn to 11; loaded at 11 and played
    // after Korvane closed.
    const std::vector<int16_t> effect = PlayerSignal(kRate, kEffectFrames);
    EXPECT_EQ(Play("mode=static", kEffectMs), 0u) << "korvplay exit code (see player/Player.h)";
    EXPECT_EQ(FirstDifference(Heard(), effect), kSame) << "levels at 0 changed the effect";
    ASSERT_TRUE(Start("mode=static dup=1 wait=1", kEffectMs));
    ASSERT_TRUE(m_player.Wrote()) << "the effect was not loaded";
    const fx::FxParams turned = Turn3D(11);
    const std::vector<int16_t> widened = PlayerSignal(kRate, kEffectFrames, &turned);
    EXPECT_GT(Side(widened, kEffectFrames - kEnd), 1.2 * Side(effect, kEffectFrames - kEnd));
    m_player.Go();
    EXPECT_EQ(m_player.Finish(), 0u) << "korvplay exit code (see player/Player.h)";
    EXPECT_EQ(FirstDifference(Heard(), widened), kSame) << "not heard as the knob said when it was played";
    ASSERT_TRUE(Start("mode=static wait=1", kEffectMs));
    ASSERT_TRUE(m_player.Wrote()) << "the effect was not loaded";
    ASSERT_TRUE(CloseToUnhook(*m_korvane, m_console));
    m_player.Go();
    EXPECT_EQ(m_player.Finish(), 0u) << "korvplay exit code (see player/Player.h)";
    EXPECT_EQ(FirstDifference(Heard(), effect), kSame) << "the effect kept the effects after Korvane closed";
}

// With the master volume and Vibe up, a stream sounds exactly as the effects
// library renders the signal; a 3D-positioned mono buffer sounds the same
// as without Korvane at all.
TEST_F(DirectSoundTest, AStreamSoundsAsTheEffectsRenderItAndAThreeDBufferIsLeftAlone) {
    StoreSettings(6, 11, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const fx::FxParams state = LowerMasterVolume();
    ASSERT_LT(state.masterGain, 0.75f) << "the master volume did not move";
    ASSERT_TRUE(state.enable3D && state.enableVibe);
    const std::vector<int16_t> input = PlayerSignal(kRate, kStreamFrames),
                               expected = PlayerSignal(kRate, kStreamFrames, &state);
    EXPECT_EQ(Play("mode=stream feed=notify ring=4000", kStreamMs), 0u) << "korvplay exit code (see player/Player.h)";
    const std::vector<int16_t> heard = Heard();
    EXPECT_EQ(FirstDifference(heard, expected), kSame) << "captured " << heard.size() / 2 << " frames";
    // What the rendering does: wider, more 60 Hz, the master's gain.
    const double gain = state.masterGain;
    EXPECT_GT(Side(expected, kStreamFrames - kEnd), 1.2 * gain * gain * Side(input, kStreamFrames - kEnd));
    EXPECT_GT(Level(expected, kStreamFrames - kEnd, 60.0, kRate),
              1.12 * gain * Level(input, kStreamFrames - kEnd, 60.0, kRate));

    EXPECT_EQ(Play("mode=3d", kEffectMs), 0u);
    const std::vector<int16_t> withKorvane = Heard();
    ASSERT_TRUE(CloseToUnhook(*m_korvane, m_console));
    EXPECT_EQ(Play("mode=3d", kEffectMs), 0u);
    std::vector<int16_t> alone = Sounding(Heard());
    const size_t compared = (kEffectFrames - kEnd) * 2;
    ASSERT_GT(alone.size(), compared);
    alone.resize(compared);
    EXPECT_EQ(FirstDifference(withKorvane, alone), kSame);
}

}  // namespace

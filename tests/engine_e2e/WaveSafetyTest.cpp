// Players that use waveOut in ways the engine once got wrong, each run with
// the real Korvane.exe posing as Windows 98, heard through the session's
// ALSA file device: a player that writes from its WOM_OPEN notification,
// buffers that end inside a frame, a looped buffer rewritten while it plays,
// a device closed from a second thread while the first writes. Each must end
// well (korvplay checks its buffers, headers and notifications) and sound as
// set: the effects' rendering at the levels set, the player's own sound bit
// for bit with every level at 0.

#include "sound/PlayerTest.h"
#include "sound/WaveChunks.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

namespace {

const WaveLayout kLayout;

// The signal as korvplay cuts it: `bytes` from one stream, from `firstFrame`.
std::string Signal(DWORD firstFrame, DWORD bytes) {
    std::string s(bytes, '\0');
    testsignal::Fill(&s[0], bytes - bytes % kLayout.Block(), firstFrame, kLayout.rate, kLayout.channels, kLayout.bits);
    return s;
}

// The longest run of silent frames inside the captured sound (the silence
// before and after it is the device's): with every level 0 there is none, as
// without the engine; the signal itself is never silent for two frames.
size_t LongestSilenceInside(const std::string& captured) {
    const size_t block = kLayout.Block(), frames = captured.size() / block;
    const auto silent = [&](size_t f) {
        for (size_t i = f * block; i < (f + 1) * block; ++i)
            if (captured[i]) return false;
        return true;
    };
    size_t first = 0, last = frames;
    while (first < frames && silent(first)) ++first;
    while (last > first && silent(last - 1)) --last;
    size_t longest = 0, run = 0;
    for (size_t f = first; f < last; ++f) {
        run = silent(f) ? run + 1 : 0;
        if (run > longest) longest = run;
    }
    return longest;
}

class WaveSafetyTest : public PlayerTest {
protected:
    // Runs the window player posing as Windows 98 to its end; its exit code.
    DWORD Play(const std::string& more) {
        if (!m_player.Start("win98", kLayout.Words() + " mode=window " + more)) return 98;
        return m_player.Finish(60000);
    }
    ::testing::AssertionResult Heard(const std::string& expected) {
        return SoundsLike(m_player.Heard(), expected, kLayout.Block());
    }
    void TearDown() override {
        if (m_korvane) {
            EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
        }
        PlayerTest::TearDown();
    }
};

TEST_F(WaveSafetyTest, AwkwardPlayersHearTheEffectsAsSetAndEndWell) {
    StoreSettings(5, 5, 5, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const fx::FxParams state = HookState(JournalSinceStart());
    const std::string plain = Signal(0, kLayout.ChunkBytes());
    EngineRender render(kLayout.Format());
    std::string expected;
    render.Buffer(state, plain.data(), static_cast<uint32_t>(plain.size()), &expected);
    ASSERT_NE(expected, plain) << "level 5 should change the sound";

    // The first buffer written from inside WOM_OPEN.
    EXPECT_EQ(Play("callback=function openwrite=1"), 0u) << "korvplay exit code (see player/Player.h)";
    EXPECT_TRUE(Heard(expected));
    // Closed from a second thread while the first writes: no crash, no hang.
    EXPECT_EQ(Play("callback=function closer=1"), 0u);
    EXPECT_EQ(Play("callback=window closer=1"), 0u);
}

TEST_F(WaveSafetyTest, AtLevelZeroAwkwardPlayersAreHeardBitForBit) {
    StoreSettings(0, 0, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    // 1023-byte buffers: every later buffer begins inside a frame.
    EXPECT_EQ(Play("callback=event bytes=1023"), 0u);
    const std::string stream = Signal(0, kLayout.buffers * 1023);
    EXPECT_TRUE(Heard(stream.substr(0, stream.size() - stream.size() % kLayout.Block())));
    EXPECT_LT(LongestSilenceInside(m_player.Heard()), 2u);

    // A looped buffer rewritten three times as it plays, then broken out of.
    EXPECT_EQ(Play("callback=function loop=1"), 0u);
    const std::string captured = m_player.Heard();
    const DWORD bytes = kLayout.frames * kLayout.Block();
    // Not a frame of silence at any pass's end, the loop's last included.
    EXPECT_LT(LongestSilenceInside(captured), 2u);
    EXPECT_NE(captured.find(Signal(0, bytes)), std::string::npos);
    for (DWORD k = 0; k < 3; ++k)
        EXPECT_NE(captured.find(Signal((kLayout.buffers + k) * kLayout.frames, bytes)), std::string::npos)
            << "rewrite " << k << " never heard";
    // The break leads on to the next buffer: a whole pass, as first written
    // or as one of the rewrites, then the next buffer. Which pass comes last
    // depends on how far ahead the device reads, as it does without the engine.
    const size_t next = captured.find(Signal(kLayout.frames, bytes));
    ASSERT_NE(next, std::string::npos) << "the buffer after the loop was never heard";
    ASSERT_GE(next, bytes);
    const std::string last = captured.substr(next - bytes, bytes);
    bool whole = last == Signal(0, bytes);
    for (DWORD k = 0; k < 3; ++k) whole = whole || last == Signal((kLayout.buffers + k) * kLayout.frames, bytes);
    EXPECT_TRUE(whole) << "the break did not lead on to the next buffer";
}

}  // namespace

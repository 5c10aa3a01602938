// What a program's short sounds (PlaySound, sndPlaySound) sound like with
// Korvane running, posing as Windows 98: the test player (korvplay.exe
// api=playsound, a window program) plays a quarter second of the known signal as
// a file (by its path, and by its bare name found on the search path), from
// memory, as a registered event, as a WAVE resource, or looping; the
// session's ALSA file device captures what reaches the sound card. With 3D
// at 11 it must be the effects library's rendering of the sound for the
// state the journal says the hook received; with every level at 0 the
// program's own, bit for bit. Through the wide entry, which these systems
// only stub, it is the program's own: the engine leaves it to the system.
// The player checks each call's answer itself.

#include "harness/Wait.h"
#include "sound/DsCapture.h"
#include "sound/PlayerTest.h"
#include "sound/WaveChunks.h"
#include "tests/common/AudioMatch.h"

#include <cstdint>
#include <cstring>

namespace {

// The player's sound: a quarter second, one buffer of the engine's stream.
WaveLayout OneSound() {
    return WaveLayout::Whole(2756);
}

// Stereo side (left minus right) energy of the first `frames` frames that
// sound in 16-bit stereo bytes: what 3D widens; 0 when fewer sound.
double SideOf(const std::string& bytes, size_t frames) {
    std::vector<int16_t> s(bytes.size() / 2);
    memcpy(s.data(), bytes.data(), s.size() * 2);
    s = dscapture::Sounding(s);
    return s.size() / 2 < frames ? 0 : dscapture::Side(s, frames);
}

// How many frames of the looped `sound` were heard, every one as it is, in
// order, passes following each other (0 when anything else was heard).
size_t LoopFramesHeard(const std::string& heard, const std::string& sound, DWORD block) {
    std::string looped;
    while (looped.size() < heard.size() + sound.size()) looped += sound;
    const audiomatch::Result r = audiomatch::Match(heard.data(), heard.size(), looped.data(), looped.size(), block, 0);
    // The heard sound ran out before the looped one did: all of it matched.
    return r.firstDifference >= heard.size() / block ? r.matchedFrames : 0;
}

class PlaySoundTest : public PlayerTest {
protected:
    PlaySoundTest() : PlayerTest("KorvaneShortSound") {}
};

// Every kind and a loop, with 3D at 11 and then turned to 0. A looping
// sound goes on past its end until PlaySound(NULL) stops it, or another
// sound replaces it; a SND_NOSTOP sound meanwhile is refused (the player
// checks the answers, and that nothing plays after the replacement).
TEST_F(PlaySoundTest, EveryKindAndALoopAreHeardAsTheEffectsRenderThemAndBitForBitAtLevelsZero) {
    const WaveLayout layout = OneSound();
    const WaveChunks own(layout, {Off()});
    const std::string twice = own.Input() + own.Input();
    const size_t pass = layout.frames * layout.Block();
    StoreSettings(11, 0, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    fx::FxParams state = HookState(JournalSinceStart());
    for (int level : {11, 0}) {
        SCOPED_TRACE(::testing::Message() << "3D at " << level);
        if (level == 0) state = Turn3D(-11);
        const WaveChunks chunks(layout, {state});
        ASSERT_EQ(chunks.ChunkIsOwn(0), level == 0) << "the effects' state is not the knob's";
        // The wide entries are stubs on 95, 98 and ME: left to the system, as they were.
        ExpectSoundsInTurn(m_player, "win98",
                           {{"file", &chunks},
                            {"snd", &chunks},
                            {"memory", &chunks},
                            {"alias", &chunks},
                            {"resource", &chunks},
                            {"wide", &own}});

        ASSERT_TRUE(m_player.Start("win98", "api=playsound kind=loop"));
        ASSERT_TRUE(m_player.Wrote()) << "the loop did not start";
        // Two passes and a half heard, lead-in included: the loop went on.
        EXPECT_TRUE(WaitUntil([&] { return m_player.Heard().size() >= pass * 5 / 2; }, 60000));
        m_player.Go();
        EXPECT_EQ(m_player.Finish(), 0u) << "korvplay exit code (see player/Player.h)";
        const std::string heard = m_player.Heard();
        if (level == 0) {
            EXPECT_GE(LoopFramesHeard(heard, own.Input(), layout.Block()), 2 * layout.frames);
            // Replaced by a sound without SND_NOSTOP: that one plays once, whole, and nothing after it.
            ASSERT_TRUE(m_player.Start("win98", "api=playsound kind=loop replace=1"));
            ASSERT_TRUE(m_player.Wrote()) << "the loop did not start";
            m_player.Go();
            EXPECT_EQ(m_player.Finish(), 0u) << "korvplay exit code (see player/Player.h)";
            EXPECT_TRUE(EndsWithWhole(m_player.Heard(), own.Input(), layout.Block())) << "not the replacement, whole";
        } else {
            EXPECT_EQ(LoopFramesHeard(heard, own.Input(), layout.Block()), 0u) << "the program's own sound";
            // 3D at 11 widens by far more than 3 dB.
            EXPECT_GT(SideOf(heard, 2 * layout.frames), 2 * SideOf(twice, 2 * layout.frames));
        }
    }
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
}

}  // namespace

// A chain's saved state, loaded into another chain that ran something else,
// goes on bit for bit as the chain it came from, at every stage mix
// (resting stages, a room still ringing out, the limiter fading), and is a
// fraction of the chain's size.
#include <gtest/gtest.h>

#include <vector>

#include "fx/ChainState.h"
#include "tests/unit/fx_test_support.h"

namespace {

using fxtest::Knobs;

struct StateCase {
    const char* name;
    fx::FxParams before, after;  // settings up to the save, and after it
    uint32_t mostBytes;          // at 44.1 kHz stereo
};

TEST(FxChainState, ALoadedStateGoesOnExactlyAsTheChainItCameFrom) {
    const StateCase cases[] = {
        {"off", fxtest::Off(), fxtest::Off(), 4096},
        {"3D at 11", Knobs(1, 0, 0), Knobs(1, 0, 0), 24 * 1024},
        {"everything", Knobs(1, 1, 1), Knobs(1, 1, 1), 64 * 1024},
        {"headphones", Knobs(0.5f, 0.3f, 0, true, 60), Knobs(0.5f, 0.3f, 0, true, 60), 24 * 1024},
        {"room ringing out", Knobs(0.5f, 0.5f, 1), fxtest::Off(), 64 * 1024},
        {"stages starting", fxtest::Off(), Knobs(1, 1, 1), 4096},
    };
    const fx::FxFormat format = fxtest::Pcm(2, 44100, 16);
    const uint32_t frames = 4410, bytes = frames * 4;
    const std::vector<int16_t> in = fxtest::Sine(44100, 220, 20000, 9000, 3 * frames);
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<fx::FxChain> a(new fx::FxChain), b(new fx::FxChain);
        ASSERT_TRUE(a->Open(format));
        ASSERT_TRUE(b->Open(format));
        // b runs other sound at other settings, so every ring holds something else.
        std::vector<int16_t> out(3 * frames * 2), other(3 * frames * 2);
        b->Process(Knobs(0.7f, 0.9f, 0.8f, true, 90), in.data() + 2 * frames, other.data(), 2 * bytes);
        a->Process(c.before, in.data(), out.data(), 2 * bytes);
        fx::ChainState state;
        ASSERT_TRUE(state.Save(*a));
        EXPECT_LE(a->StateBytes(), c.mostBytes);
        state.Load(b.get());
        a->Process(c.after, in.data() + 2 * frames, out.data(), bytes);
        b->Process(c.after, in.data() + 2 * frames, other.data(), bytes);
        EXPECT_EQ(memcmp(out.data(), other.data(), bytes), 0) << "the loaded chain sounds otherwise";
        EXPECT_EQ(a->TailLeft(), b->TailLeft());
    }
}

}  // namespace

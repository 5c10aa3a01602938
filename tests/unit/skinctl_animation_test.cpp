#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "skinctl/AnimationClock.h"
#include "skinctl/AnimationScene.h"

using namespace skinctl;

TEST(SkinctlAnimationClock, TwelveFramesASecondWithoutDrift) {
    AnimationClock clock(1000);
    EXPECT_EQ(0, clock.Frame());
    EXPECT_EQ(0, clock.Advance(1083));  // 83 ms: not yet a whole frame
    EXPECT_EQ(1, clock.Advance(1084));
    // Timer ticks of 83 ms over ten seconds give exactly 120 frames: the
    // fractions are carried, not dropped.
    AnimationClock ticking(0);
    uint32_t now = 0;
    for (int i = 0; i < 10000 / 83; ++i) ticking.Advance(now += 83);
    ticking.Advance(10000);
    EXPECT_EQ(120, ticking.Frame());
}

TEST(SkinctlAnimationClock, LoopsAfter127FramesAndSkipsWhenLate) {
    AnimationClock clock(0);
    EXPECT_EQ(126, clock.Advance(126 * 1000 / 12 + 1));
    EXPECT_EQ(0, clock.Advance(127 * 1000 / 12 + 1));
    // A timer that arrives a second late moves twelve frames on at once.
    AnimationClock late(0);
    EXPECT_EQ(12, late.Advance(1000));
}

TEST(SkinctlAnimationClock, SurvivesTheTickCounterWrapping) {
    AnimationClock clock(0xFFFFFF00u);
    EXPECT_EQ(6, clock.Advance(0x101u));  // 256 + 257 = 513 ms across the wrap
    EXPECT_EQ(6, clock.Frame());
}

TEST(SkinctlAnimationScene, LevelsAndWaveStayInsideThePicture) {
    for (int frame = 0; frame < AnimationClock::FRAME_COUNT; ++frame) {
        for (int bar = 0; bar < AnimationScene::BAR_COUNT; ++bar) {
            const int level = AnimationScene::BarLevel(frame, bar);
            EXPECT_GE(level, 0);
            EXPECT_LE(level, AnimationScene::LEVEL_MAX);
        }
        for (int x = 0; x < 197; ++x) {
            const int y = AnimationScene::WaveY(frame, x, 197, 99);
            ASSERT_GE(y, 0);
            ASSERT_LT(y, 99);
        }
    }
    EXPECT_EQ(0, AnimationScene::WaveY(3, 0, 1, 99));  // degenerate sizes do not divide by zero
}

TEST(SkinctlAnimationScene, TheLoopHasNoSeamAndDoesMove) {
    // The step from the last frame to the first is no bigger than the
    // biggest step inside the loop, and the picture does change.
    auto step = [](int a, int b) {
        int worst = 0;
        for (int bar = 0; bar < AnimationScene::BAR_COUNT; ++bar)
            worst = std::max(worst, std::abs(AnimationScene::BarLevel(a, bar) - AnimationScene::BarLevel(b, bar)));
        for (int x = 0; x < 197; ++x)
            worst =
                std::max(worst, std::abs(AnimationScene::WaveY(a, x, 197, 99) - AnimationScene::WaveY(b, x, 197, 99)));
        return worst;
    };
    int largestInside = 0;
    for (int f = 0; f + 1 < AnimationClock::FRAME_COUNT; ++f) largestInside = std::max(largestInside, step(f, f + 1));
    EXPECT_GT(largestInside, 0);
    EXPECT_LE(step(AnimationClock::FRAME_COUNT - 1, 0), largestInside);
    EXPECT_EQ(0, step(0, AnimationClock::FRAME_COUNT));
}

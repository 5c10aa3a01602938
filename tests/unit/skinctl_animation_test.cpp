#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "skinctl/AnimationCanvas.h"
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

TEST(SkinctlAnimationScene, TheWaveTakenApartGivesThePlainFormulasHeights) {
    // The wave as first written, one sine per term.
    auto plain = [](int frame, int x, int width, int height) {
        const double twoPi = 6.283185307179586, phase = twoPi * frame / AnimationClock::FRAME_COUNT;
        const double u = double(x) / (width - 1);
        const double wave = std::sin(3 * twoPi * u - 5 * phase) * (0.6 + 0.4 * std::sin(2 * phase)) +
                            0.3 * std::sin(7 * twoPi * u + 4 * phase);
        const double mid = (height - 1) / 2.0;
        return std::clamp(int(mid - wave * std::sin(u * twoPi * 0.5) * mid * 0.55 + 0.5), 0, height - 1);
    };
    const int sizes[][2] = {{197, 99}, {150, 80}, {600, 40}};
    for (const auto& size : sizes) {
        int differing = 0;
        for (int frame = 0; frame < AnimationClock::FRAME_COUNT; ++frame) {
            const AnimationScene::WaveMoment moment = AnimationScene::MomentOfWave(frame);
            for (int x = 0; x < size[0]; ++x) {
                const int y = AnimationScene::WaveY(moment, AnimationScene::ColumnOfWave(x, size[0]), size[1]);
                ASSERT_EQ(y, AnimationScene::WaveY(frame, x, size[0], size[1]));
                const int d = std::abs(y - plain(frame, x, size[0], size[1]));
                ASSERT_LE(d, 1) << "frame " << frame << ", x " << x;  // rounding at most
                differing += d;
            }
        }
        EXPECT_LE(differing, size[0]) << size[0] << " x " << size[1];
    }
}

namespace {

// What a canvas pixel shows, as a letter: c core line, g glow, o anything else.
char What(const AnimationCanvas& canvas, int x, int y) {
    const uint32_t p = canvas.Pixel(x, y);
    return p == AnimationCanvas::kCoreColour ? 'c' : p == AnimationCanvas::kGlowColour ? 'g' : 'o';
}

// Column x from row `top` to row `bottom`, and row y from column `left` to `right`.
std::string Column(const AnimationCanvas& canvas, int x, int top, int bottom) {
    std::string s;
    for (int y = top; y <= bottom; ++y) s += What(canvas, x, y);
    return s;
}
std::string Row(const AnimationCanvas& canvas, int y, int left, int right) {
    std::string s;
    for (int x = left; x <= right; ++x) s += What(canvas, x, y);
    return s;
}

AnimationCanvas WaveOnGround(int width, int height, std::initializer_list<CanvasPoint> points) {
    AnimationCanvas canvas;
    EXPECT_TRUE(canvas.Resize(width, height));
    canvas.DrawGround();
    canvas.DrawWave(points.begin(), int(points.size()));
    return canvas;
}

}  // namespace

TEST(SkinctlAnimationCanvas, EveryFrameAtAnySizeCoversTheCanvasAndNoMore) {
    AnimationCanvas canvas;
    EXPECT_FALSE(canvas.Resize(0, 99));
    EXPECT_FALSE(canvas.Resize(197, -1));
    EXPECT_FALSE(canvas.Resize(40000, 10));
    EXPECT_EQ(0, canvas.Width());
    canvas.Render(5);  // an empty canvas draws nothing, and does not fail
    const int sizes[][2] = {{1, 1}, {2, 2}, {24, 8}, {48, 9}, {197, 99}, {600, 40}, {150, 80}};
    for (const auto& size : sizes) {
        ASSERT_TRUE(canvas.Resize(size[0], size[1]));
        for (int frame = 0; frame < AnimationClock::FRAME_COUNT; frame += 9) {
            canvas.Render(frame);
            // The ground has no black: every pixel was drawn (the sanitizers
            // watch that nothing was drawn outside).
            const uint32_t* p = canvas.Pixels();
            ASSERT_EQ(p + size[0] * size[1], std::find(p, p + size[0] * size[1], 0u)) << size[0] << " x " << size[1];
        }
    }
}

TEST(SkinctlAnimationCanvas, FlatLineGlowsTwoRowsAboveOneBelowAndLeavesOutItsLastPoint) {
    AnimationCanvas canvas = WaveOnGround(40, 30, {{5, 10}, {20, 10}});
    for (int x = 5; x < 20; ++x) ASSERT_EQ('c', What(canvas, x, 10)) << x;
    EXPECT_EQ('g', What(canvas, 20, 10));  // the thin pen leaves it out, the wide one not
    EXPECT_EQ("ooggcgoo", Column(canvas, 12, 6, 13));
    // Round ends, as far past the last point as before the first: the glow
    // narrows to the line's row two columns out, then stops.
    const char* const ends[] = {"oooooo", "ooogoo", "oggggo"};  // two, one and no column short of the line
    for (int out = 0; out < 3; ++out) {
        EXPECT_EQ(ends[out], Column(canvas, 2 + out, 7, 12)) << out;
        EXPECT_EQ(ends[out], Column(canvas, 23 - out, 7, 12)) << out;
    }
}

TEST(SkinctlAnimationCanvas, SteepLineGlowsAsWideAcrossAsAFlatOne) {
    AnimationCanvas canvas = WaveOnGround(40, 30, {{10, 5}, {11, 20}});
    for (int y = 6; y <= 18; ++y) {
        const std::string row = Row(canvas, y, 0, 39);
        const size_t core = row.find('c');
        ASSERT_NE(std::string::npos, core) << "row " << y;
        EXPECT_EQ("oggcggo", row.substr(core - 3, 7)) << "row " << y << ": " << row;
    }
}

TEST(SkinctlAnimationCanvas, LinesAtAndBeyondTheEdgesAreClipped) {
    // Along the top edge, and one row above it: only what reaches in shows.
    AnimationCanvas top = WaveOnGround(20, 10, {{-10, 0}, {30, 0}});
    AnimationCanvas above = WaveOnGround(20, 10, {{-10, -1}, {30, -1}});
    AnimationCanvas below = WaveOnGround(20, 10, {{-10, 10}, {30, 10}});
    for (int x = 0; x < 20; ++x) {
        ASSERT_EQ("cgo", Column(top, x, 0, 2)) << x;
        ASSERT_EQ("go", Column(above, x, 0, 1)) << x;
        ASSERT_EQ("ogg", Column(below, x, 7, 9)) << x;
    }
    // Upright lines just outside the left and right edges: their glow reaches two columns in.
    AnimationCanvas left = WaveOnGround(20, 10, {{-1, -5}, {-1, 15}});
    AnimationCanvas right = WaveOnGround(20, 10, {{20, -5}, {20, 15}});
    for (int y = 0; y < 10; ++y) {
        ASSERT_EQ("ggo", Row(left, y, 0, 2)) << y;
        ASSERT_EQ("ogg", Row(right, y, 17, 19)) << y;
    }
    // Far outside, nothing at all.
    AnimationCanvas away = WaveOnGround(20, 10, {{-50, 40}, {60, 40}});
    AnimationCanvas ground;
    ASSERT_TRUE(ground.Resize(20, 10));
    ground.DrawGround();
    EXPECT_TRUE(std::equal(ground.Pixels(), ground.Pixels() + 200, away.Pixels()));
}

TEST(SkinctlAnimationCanvas, TheWaveIsOneUnbrokenLineThroughItsPointsWithGlowAboveAndBelow) {
    const int width = 197, height = 99;
    AnimationCanvas canvas;
    ASSERT_TRUE(canvas.Resize(width, height));
    std::vector<CanvasPoint> points;
    for (int frame = 0; frame < AnimationClock::FRAME_COUNT; ++frame) {
        points.clear();
        for (int x = 0; x < width; ++x) points.push_back({x, AnimationScene::WaveY(frame, x, width, height)});
        canvas.DrawGround();
        canvas.DrawWave(points.data(), width);
        int lastTop = -1, lastBottom = -1;
        for (int x = 0; x + 1 < width; ++x) {
            int top = -1, bottom = -1;
            for (int y = 0; y < height; ++y) {
                if (What(canvas, x, y) != 'c') continue;
                if (top < 0) top = y;
                ASSERT_TRUE(bottom < 0 || bottom == y - 1) << "frame " << frame << ": a gap in column " << x;
                bottom = y;
            }
            ASSERT_GE(top, 0) << "frame " << frame << ": column " << x << " has no line";
            EXPECT_TRUE(points[size_t(x)].y >= top && points[size_t(x)].y <= bottom)
                << "frame " << frame << ", x " << x;
            if (x > 0) {
                EXPECT_TRUE(top <= lastBottom + 1 && bottom >= lastTop - 1) << "frame " << frame << ": a step at " << x;
            }
            if (top > 0) {
                EXPECT_EQ('g', What(canvas, x, top - 1)) << "frame " << frame << ", x " << x;
            }
            if (bottom + 1 < height) {
                EXPECT_EQ('g', What(canvas, x, bottom + 1)) << "frame " << frame << ", x " << x;
            }
            lastTop = top;
            lastBottom = bottom;
        }
    }
}

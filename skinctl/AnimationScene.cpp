#include "skinctl/AnimationScene.h"

#include <cmath>

#include "skinctl/AnimationClock.h"

namespace skinctl {
namespace {

const double kTwoPi = 6.283185307179586;

// The loop phase of a frame, 0 to 2 pi; frames outside the loop wrap.
double Phase(int frame) {
    int f = frame % AnimationClock::FRAME_COUNT;
    if (f < 0) f += AnimationClock::FRAME_COUNT;
    return kTwoPi * f / AnimationClock::FRAME_COUNT;
}

}  // namespace

int AnimationScene::BarLevel(int frame, int bar) {
    const double phase = Phase(frame);
    const double b = double(bar) / BAR_COUNT;
    // A slow swell, a faster ripple running across the bars, and a hump that
    // keeps the middle of the spectrum livelier than its edges.
    double level = 0.40 + 0.22 * std::sin(2 * phase + kTwoPi * b) + 0.18 * std::sin(7 * phase - 3 * kTwoPi * b) +
                   0.20 * std::sin(kTwoPi * b * 0.5) * (0.5 + 0.5 * std::sin(3 * phase));
    if (level < 0.04) level = 0.04;
    if (level > 1.0) level = 1.0;
    return int(level * LEVEL_MAX + 0.5);
}

int AnimationScene::WaveY(int frame, int x, int width, int height) {
    if (width < 2 || height < 1) return 0;
    return WaveY(MomentOfWave(frame), ColumnOfWave(x, width), height);
}

// The wave is sin(3 * 2 pi u - 5 phase) * swell + 0.3 * sin(7 * 2 pi u + 4 phase)
// over u = 0 to 1, with the sums of angles taken apart.
AnimationScene::WaveColumn AnimationScene::ColumnOfWave(int x, int width) {
    const double u = double(x) / (width - 1);
    WaveColumn c;
    // Fades out at both ends, so the line starts and ends on the centre.
    c.envelope = std::sin(u * kTwoPi * 0.5);
    c.sin3 = std::sin(3 * kTwoPi * u);
    c.cos3 = std::cos(3 * kTwoPi * u);
    c.sin7 = std::sin(7 * kTwoPi * u);
    c.cos7 = std::cos(7 * kTwoPi * u);
    return c;
}

AnimationScene::WaveMoment AnimationScene::MomentOfWave(int frame) {
    const double phase = Phase(frame);
    WaveMoment m;
    m.sin5 = std::sin(5 * phase);
    m.cos5 = std::cos(5 * phase);
    m.sin4 = std::sin(4 * phase);
    m.cos4 = std::cos(4 * phase);
    m.swell = 0.6 + 0.4 * std::sin(2 * phase);
    return m;
}

int AnimationScene::WaveY(const WaveMoment& m, const WaveColumn& c, int height) {
    if (height < 1) return 0;
    const double wave = (c.sin3 * m.cos5 - c.cos3 * m.sin5) * m.swell + 0.3 * (c.sin7 * m.cos4 + c.cos7 * m.sin4);
    const double mid = (height - 1) / 2.0;
    int y = int(mid - wave * c.envelope * mid * 0.55 + 0.5);
    if (y < 0) y = 0;
    if (y > height - 1) y = height - 1;
    return y;
}

}  // namespace skinctl

// The animation's picture as numbers: spectrum bar levels and a wave line for
// each frame. Every motion uses whole turns per loop, so the last frame flows
// into the first without a jump.
#pragma once

namespace skinctl {

class AnimationScene {
public:
    enum : int { BAR_COUNT = 24, LEVEL_MAX = 1000 };

    // Level of bar `bar` (0 to BAR_COUNT - 1) in frame `frame`, 0 to LEVEL_MAX.
    static int BarLevel(int frame, int bar);

    // Height of the wave at x (0 to width - 1) in frame `frame`, as a
    // y coordinate in a picture `height` pixels high (0 to height - 1).
    static int WaveY(int frame, int x, int width, int height);
};

}  // namespace skinctl

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

    // The same height in two parts, for drawing frame after frame at one
    // width: the sines that depend on x alone are worked out once per column,
    // those that depend on the frame alone once per frame, and each height is
    // then a few products instead of four sines.
    struct WaveColumn {
        double envelope, sin3, cos3, sin7, cos7;
    };
    struct WaveMoment {
        double sin5, cos5, sin4, cos4, swell;
    };
    static WaveColumn ColumnOfWave(int x, int width);  // width 2 or more
    static WaveMoment MomentOfWave(int frame);
    static int WaveY(const WaveMoment& moment, const WaveColumn& column, int height);
};

}  // namespace skinctl

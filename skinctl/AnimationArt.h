// Stand-in picture of the animation: a glowing teal spectrum and wave over a
// dark-blue ground, one frame of the loop at a time.
#pragma once

#include <windows.h>

namespace skinctl {

class AnimationArt {
public:
    static void Draw(HDC dc, const RECT& client, int frame);

    // The parts of Draw, in its order: the ground is the same in every frame.
    static void DrawGround(HDC dc, const RECT& client);
    static void DrawBars(HDC dc, const RECT& client, int frame);
    static void DrawWave(HDC dc, const RECT& client, int frame);
};

}  // namespace skinctl

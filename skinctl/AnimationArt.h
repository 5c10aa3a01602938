// Stand-in picture of the animation: a glowing teal spectrum and wave over a
// dark-blue ground, one frame of the loop at a time. Each frame is drawn in
// memory (AnimationCanvas) and put on the DC with a single blit.
#pragma once

#include <windows.h>

#include "skinctl/AnimationCanvas.h"

namespace skinctl {

class AnimationArt {
public:
    // Frame `frame` over `client` of `dc`. The picture's memory is kept for
    // the next frame of the same size. Without memory for it the client is
    // filled with the background colour instead.
    void Show(HDC dc, const RECT& client, int frame);

    // The same, keeping nothing.
    static void Draw(HDC dc, const RECT& client, int frame);

private:
    AnimationCanvas m_canvas;
};

}  // namespace skinctl

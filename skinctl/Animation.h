// The animation control (class SKIN_ANIMATION_CLASS): a 127-frame loop at 12
// frames a second. It takes no settings: persisted bytes are accepted and
// ignored, and its size is whatever its parent gives it.
// Property 1 reads the frame on show (0 to 126).
#pragma once

#include <windows.h>

#include "skinctl/AnimationArt.h"
#include "skinctl/AnimationClock.h"

namespace skinctl {

class Animation {
public:
    explicit Animation(HWND hwnd);
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    enum : UINT_PTR { FRAME_TIMER = 1 };

    void OnPaint();
    void OnTimer();
    void OnWindowPosChanged(const WINDOWPOS& pos);
    void RunFrames(bool run);

    HWND m_hwnd;
    AnimationClock m_clock;
    AnimationArt m_art;
};

}  // namespace skinctl

#include "skinctl/Animation.h"

#include "skinctl/SkinWindow.h"

namespace skinctl {

Animation::Animation(HWND hwnd) : m_hwnd(hwnd), m_clock(GetTickCount()) {}

LRESULT CALLBACK Animation::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ControlProc<Animation>(hwnd, msg, wParam, lParam);
}

LRESULT Animation::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            // Made hidden, it waits for its first showing.
            RunFrames((reinterpret_cast<const CREATESTRUCTA*>(lParam)->style & WS_VISIBLE) != 0);
            return 0;
        case WM_DESTROY: RunFrames(false); return 0;
        case WM_WINDOWPOSCHANGED:
            OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
            return DefWindowProcA(m_hwnd, msg, wParam, lParam);
        case WM_TIMER:
            if (wParam == FRAME_TIMER) OnTimer();
            return 0;
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEWHEEL: return 0;  // see PushButton: never back to a forwarding parent
        case SKM_GETPROPERTY: return wParam == SKIN_PROPERTY_VALUE ? LRESULT(m_clock.Frame()) : 0;
        case SKM_SETPROPERTY: return 0;  // nothing to set
        case SKM_LOADSTATE: return 1;    // accepted, nothing in it is used
        default: return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    }
}

// A hidden animation asks for no frames; shown again, it picks up the loop
// where the time has taken it.
void Animation::RunFrames(bool run) {
    // Without the timer the picture just stands still; nothing need fail.
    if (run)
        SetTimer(m_hwnd, FRAME_TIMER, AnimationClock::TIMER_PERIOD_MS, nullptr);
    else
        KillTimer(m_hwnd, FRAME_TIMER);
}

void Animation::OnWindowPosChanged(const WINDOWPOS& pos) {
    if (pos.flags & SWP_HIDEWINDOW) RunFrames(false);
    if (pos.flags & SWP_SHOWWINDOW) RunFrames(true);
}

// Each new frame goes straight to the screen: a paint message per frame costs
// more than drawing it. The window's DC clips to what shows of the control
// (its own region, the console's outline, the windows above); when nothing
// shows, as in the console's mini form, nothing is drawn.
void Animation::OnTimer() {
    const int before = m_clock.Frame();
    if (m_clock.Advance(GetTickCount()) == before) return;
    HDC dc = GetDC(m_hwnd);
    if (!dc) return;
    RECT shown, client;
    if (GetClipBox(dc, &shown) != NULLREGION && GetClientRect(m_hwnd, &client)) m_art.Show(dc, client, m_clock.Frame());
    ReleaseDC(m_hwnd, dc);
}

void Animation::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hwnd, &paint);
    RECT client;
    if (dc && GetClientRect(m_hwnd, &client)) m_art.Show(dc, client, m_clock.Frame());
    EndPaint(m_hwnd, &paint);
}

}  // namespace skinctl

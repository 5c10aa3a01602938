#include "skinctl/Animation.h"

#include "skinctl/AnimationArt.h"
#include "skinctl/BufferedPaint.h"
#include "skinctl/SkinWindow.h"

namespace skinctl {

Animation::Animation(HWND hwnd) : m_hwnd(hwnd), m_clock(GetTickCount()) {}

LRESULT CALLBACK Animation::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ControlProc<Animation>(hwnd, msg, wParam, lParam);
}

LRESULT Animation::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            // Without the timer the picture just stands still; creation need not fail.
            SetTimer(m_hwnd, FRAME_TIMER, AnimationClock::TIMER_PERIOD_MS, nullptr);
            return 0;
        case WM_DESTROY: KillTimer(m_hwnd, FRAME_TIMER); return 0;
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

void Animation::OnTimer() {
    const int before = m_clock.Frame();
    if (m_clock.Advance(GetTickCount()) != before) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void Animation::OnPaint() {
    BufferedPaint paint(m_hwnd);
    DrawGround(paint.Dc(), paint.Client());
    AnimationArt::DrawBars(paint.Dc(), paint.Client(), m_clock.Frame());
    AnimationArt::DrawWave(paint.Dc(), paint.Client(), m_clock.Frame());
}

void Animation::DrawGround(HDC target, const RECT& client) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (!m_ground || m_groundSize.cx != width || m_groundSize.cy != height) {
        m_ground.Reset(CreateCompatibleBitmap(target, width, height));
        m_groundSize = {width, height};
        if (HDC dc = m_ground ? CreateCompatibleDC(target) : nullptr) {
            HGDIOBJ old = SelectObject(dc, m_ground.Get());
            AnimationArt::DrawGround(dc, RECT{0, 0, width, height});
            SelectObject(dc, old);
            DeleteDC(dc);
        } else {
            m_ground.Reset();
        }
    }
    if (!m_ground) {
        AnimationArt::DrawGround(target, client);  // no room for the copy: draw it as before
        return;
    }
    HDC dc = CreateCompatibleDC(target);
    HGDIOBJ old = SelectObject(dc, m_ground.Get());
    BitBlt(target, client.left, client.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
}

}  // namespace skinctl

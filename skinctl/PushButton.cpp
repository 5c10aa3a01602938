#include "skinctl/PushButton.h"

#include <windowsx.h>

#include "skinctl/BufferedPaint.h"
#include "skinctl/ButtonArt.h"
#include "skinctl/SkinWindow.h"

namespace skinctl {

LRESULT CALLBACK PushButton::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ControlProc<PushButton>(hwnd, msg, wParam, lParam);
}

LRESULT PushButton::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN: OnLButtonDown(); return 0;
        case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_LBUTTONUP: OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_CAPTURECHANGED: OnCaptureChanged(); return 0;
        // Taken, not passed on: the default would hand it to the parent, and a
        // parent that forwards the wheel to the child under the pointer would
        // send it straight back.
        case WM_MOUSEWHEEL: return 0;
        case WM_GETDLGCODE: return OnGetDlgCode(reinterpret_cast<const MSG*>(lParam));
        case WM_KEYDOWN:
            if (OnKeyDown(wParam, lParam)) return 0;
            return DefWindowProcA(m_hwnd, msg, wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS: InvalidateRect(m_hwnd, nullptr, FALSE); return 0;
        case WM_UPDATEUISTATE:
            DefWindowProcA(m_hwnd, msg, wParam, lParam);
            m_focusCue.OnUpdateUiState(wParam);
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 0;
        case SKM_GETPROPERTY: return wParam == SKIN_PROPERTY_VALUE && m_model.Value() ? 1 : 0;
        case SKM_SETPROPERTY:
            if (wParam != SKIN_PROPERTY_VALUE) return 0;
            m_model.SetValue(lParam != 0);
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 1;
        case SKM_LOADSTATE: return OnLoadState(size_t(wParam), reinterpret_cast<const void*>(lParam));
        default: return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    }
}

void PushButton::OnPaint() {
    BufferedPaint paint(m_hwnd);
    const bool on = m_model.TwoState() && m_model.Value();
    ButtonArt::Draw(paint.Dc(), paint.Client(), m_glyph, m_model.ShowsPressed(), on, m_focusCue.Shown(m_hwnd));
}

// Enter is the button's own (the dialog would end itself with it); every
// other key keeps its dialog meaning.
LRESULT PushButton::OnGetDlgCode(const MSG* msg) const {
    if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_RETURN)
        return DLGC_WANTMESSAGE;
    return 0;
}

// One click per press: holding Enter does not flip a two-state button to and
// fro with the keyboard's auto-repeat (bit 30: the key was already down).
bool PushButton::OnKeyDown(WPARAM vk, LPARAM flags) {
    if (vk != VK_RETURN) return false;
    if ((flags & (1 << 30)) || !m_model.KeyClick()) return true;
    InvalidateRect(m_hwnd, nullptr, FALSE);
    FireSkinEvent(m_hwnd, 0, nullptr);  // last: the parent may destroy us
    return true;
}

void PushButton::OnLButtonDown() {
    SetCapture(m_hwnd);
    m_model.Press();
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void PushButton::OnMouseMove(int x, int y) {
    if (!m_model.Held()) return;
    const bool before = m_model.ShowsPressed();
    m_model.Track(Inside(x, y));
    if (m_model.ShowsPressed() != before) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void PushButton::OnLButtonUp(int x, int y) {
    // The model lets go before the capture does, so the WM_CAPTURECHANGED
    // that ReleaseCapture sends finds nothing left to cancel.
    const bool clicked = m_model.Release(Inside(x, y));
    if (GetCapture() == m_hwnd) ReleaseCapture();
    InvalidateRect(m_hwnd, nullptr, FALSE);
    if (clicked) FireSkinEvent(m_hwnd, 0, nullptr);  // last: the parent may destroy us
}

void PushButton::OnCaptureChanged() {
    if (!m_model.Held()) return;
    m_model.Cancel();
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT PushButton::OnLoadState(size_t count, const void* bytes) {
    ButtonState state;
    if (!ParseButtonState(bytes, count, state)) return 0;
    m_model.SetTwoState(state.twoState);
    m_glyph = state.glyph;
    ResizeControl(m_hwnd, HimetricToPixels(state.widthHimetric), HimetricToPixels(state.heightHimetric));
    InvalidateRect(m_hwnd, nullptr, FALSE);
    return 1;
}

bool PushButton::Inside(int x, int y) const {
    RECT client;
    GetClientRect(m_hwnd, &client);
    POINT pt = {x, y};
    return PtInRect(&client, pt) != FALSE;
}

}  // namespace skinctl

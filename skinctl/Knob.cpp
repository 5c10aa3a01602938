#include "skinctl/Knob.h"

#include <windowsx.h>

#include "skinctl/BufferedPaint.h"
#include "skinctl/KnobArt.h"
#include "skinctl/PersistedState.h"
#include "skinctl/SkinWindow.h"

namespace skinctl {

LRESULT CALLBACK Knob::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ControlProc<Knob>(hwnd, msg, wParam, lParam);
}

LRESULT Knob::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;  // the paint covers everything
        case WM_LBUTTONDOWN: OnLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam & MK_LBUTTON); return 0;
        case WM_LBUTTONUP: OnLButtonUp(); return 0;
        case WM_CAPTURECHANGED: m_model.EndDrag(); return 0;
        case WM_MOUSEWHEEL: return OnMouseWheelMsg(wParam, lParam);
        // The arrows turn the knob instead of moving the dialog's focus.
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (OnKeyDown(wParam)) return 0;
            return DefWindowProcA(m_hwnd, msg, wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS: InvalidateRect(m_hwnd, nullptr, FALSE); return 0;
        case WM_UPDATEUISTATE:
            DefWindowProcA(m_hwnd, msg, wParam, lParam);
            m_focusCue.OnUpdateUiState(wParam);
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 0;
        case SKM_GETPROPERTY: return wParam == SKIN_PROPERTY_VALUE ? LRESULT(m_model.Value()) : 0;
        case SKM_SETPROPERTY:
            if (wParam != SKIN_PROPERTY_VALUE) return 0;
            m_model.SetValue(int32_t(lParam));
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 1;
        case SKM_LOADSTATE: return OnLoadState(size_t(wParam), reinterpret_cast<const void*>(lParam));
        default: return DefWindowProcA(m_hwnd, msg, wParam, lParam);
    }
}

void Knob::OnPaint() {
    BufferedPaint paint(m_hwnd);
    KnobArt::Draw(paint.Dc(), paint.Client(), m_model.Value(), m_focusCue.Shown(m_hwnd));
}

void Knob::OnLButtonDown(int x, int y) {
    // Focus makes the wheel come here while the pointer rests on the knob.
    SetFocus(m_hwnd);
    SetCapture(m_hwnd);
    m_model.BeginDrag(x, y);
}

void Knob::OnMouseMove(int x, int y, bool buttonDown) {
    if (GetCapture() != m_hwnd) return;
    // The button's release went elsewhere (Wine can lose it to a window
    // change under the pointer): the drag is over, and the knob must not
    // follow a pointer nobody holds.
    if (!buttonDown) return OnLButtonUp();
    if (m_model.DragTo(x, y)) UserChanged();
}

void Knob::OnLButtonUp() {
    m_model.EndDrag();
    if (GetCapture() == m_hwnd) ReleaseCapture();
}

// The wheel goes to the focus window; a knob turns only when the pointer is
// over it, and otherwise hands the wheel to its parent, which finds the knob
// that is under the pointer.
LRESULT Knob::OnMouseWheelMsg(WPARAM wParam, LPARAM lParam) {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT rc;
    GetWindowRect(m_hwnd, &rc);
    if (PtInRect(&rc, pt)) {
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    }
    HWND parent = GetParent(m_hwnd);
    return parent ? SendMessageA(parent, WM_MOUSEWHEEL, wParam, lParam) : 0;
}

void Knob::OnMouseWheel(int delta) {
    if (m_model.Wheel(delta)) UserChanged();
}

// Every key-down counts, auto-repeat included, like each notch of the wheel.
// False for a key that is not the knob's.
bool Knob::OnKeyDown(WPARAM vk) {
    KnobModel::KeyTurn turn;
    switch (vk) {
        case VK_LEFT:
        case VK_DOWN: turn = KnobModel::KEY_STEP_DOWN; break;
        case VK_RIGHT:
        case VK_UP: turn = KnobModel::KEY_STEP_UP; break;
        case VK_NEXT: turn = KnobModel::KEY_PAGE_DOWN; break;
        case VK_PRIOR: turn = KnobModel::KEY_PAGE_UP; break;
        case VK_HOME: turn = KnobModel::KEY_LOWEST; break;
        case VK_END: turn = KnobModel::KEY_HIGHEST; break;
        default: return false;
    }
    if (m_model.Key(turn)) UserChanged();
    return true;
}

LRESULT Knob::OnLoadState(size_t count, const void* bytes) {
    KnobState state;
    if (!ParseKnobState(bytes, count, state)) return 0;
    ResizeControl(m_hwnd, HimetricToPixels(state.widthHimetric), HimetricToPixels(state.heightHimetric));
    return 1;
}

void Knob::UserChanged() {
    InvalidateRect(m_hwnd, nullptr, FALSE);
    const int32_t position = m_model.Value();
    FireSkinEvent(m_hwnd, 1, &position);  // last: the parent may destroy us
}

}  // namespace skinctl

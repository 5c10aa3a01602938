// The push-button control (class SKIN_PUSHBUTTON_CLASS): momentary, or
// two-state when its persisted bytes say so. Property 1 is the on state of a
// two-state button; event 1 reports a click, by the mouse or by Enter while
// the button has the keyboard focus.
#pragma once

#include <windows.h>

#include "skinctl/ButtonModel.h"
#include "skinctl/FocusCue.h"
#include "skinctl/PersistedState.h"

namespace skinctl {

class PushButton {
public:
    explicit PushButton(HWND hwnd) : m_hwnd(hwnd) {}
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    void OnPaint();
    void OnLButtonDown();
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnCaptureChanged();
    LRESULT OnGetDlgCode(const MSG* msg) const;
    bool OnKeyDown(WPARAM vk, LPARAM flags);
    LRESULT OnLoadState(size_t count, const void* bytes);
    bool Inside(int x, int y) const;

    HWND m_hwnd;
    ButtonModel m_model;
    ButtonGlyph m_glyph = GLYPH_HEADPHONES;
    FocusCue m_focusCue;
};

}  // namespace skinctl

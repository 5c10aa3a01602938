// The knob control (class SKIN_KNOB_CLASS): twelve positions, turned with a
// mouse drag, the wheel or, when focused, the arrow, page, Home and End keys;
// property 1 is the position, event 1 reports a user change with the new
// position.
#pragma once

#include <windows.h>

#include "skinctl/FocusCue.h"
#include "skinctl/KnobModel.h"

namespace skinctl {

class Knob {
public:
    explicit Knob(HWND hwnd) : m_hwnd(hwnd) {}
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    void OnPaint();
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y, bool buttonDown);
    void OnLButtonUp();
    LRESULT OnMouseWheelMsg(WPARAM wParam, LPARAM lParam);
    void OnMouseWheel(int delta);
    bool OnKeyDown(WPARAM vk);
    LRESULT OnLoadState(size_t count, const void* bytes);
    void UserChanged();

    HWND m_hwnd;
    KnobModel m_model;
    FocusCue m_focusCue;
};

}  // namespace skinctl

// Whether a focused skin control shows its focus mark. Windows 2000 and later
// keep a keyboard-cue state per window (hidden until the keyboard is used,
// unless the user asked for cues always); the control follows it. Older
// systems have no such state: there the mark appears once the dialog tells
// the control, with WM_UPDATEUISTATE, that the keyboard has been used.
#pragma once

#include <windows.h>

namespace skinctl {

class FocusCue {
public:
    // The control's WM_UPDATEUISTATE, after the default handling.
    void OnUpdateUiState(WPARAM wParam);
    // Whether `control` shows a focus mark now: it has the focus and cues are on.
    bool Shown(HWND control) const;

    // True on systems that keep the keyboard-cue state (the NT family from 5.0).
    static bool SystemKeepsCues();

private:
    bool m_keyboardUsed = false;
};

}  // namespace skinctl

#include "skinctl/FocusCue.h"

namespace skinctl {

void FocusCue::OnUpdateUiState(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS)) return;
    if (LOWORD(wParam) == UIS_CLEAR) m_keyboardUsed = true;
    if (LOWORD(wParam) == UIS_SET) m_keyboardUsed = false;
}

bool FocusCue::Shown(HWND control) const {
    if (GetFocus() != control) return false;
    if (!SystemKeepsCues()) return m_keyboardUsed;
    return !(SendMessageA(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

bool FocusCue::SystemKeepsCues() {
    // The high bit marks the Windows 9x family; the low byte is the major version.
    static const DWORD version = GetVersion();
    return !(version & 0x80000000u) && LOBYTE(LOWORD(version)) >= 5;
}

}  // namespace skinctl

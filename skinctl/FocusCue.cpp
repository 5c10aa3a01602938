#include "skinctl/FocusCue.h"

#include "framework/OsVersion.h"

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
    static const OSVERSIONINFOA version = ReadOsVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
}

}  // namespace skinctl

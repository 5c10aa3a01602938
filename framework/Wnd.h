// Non-owning view of a window, the base of the control wrappers and dialogs.
#pragma once

#include <windows.h>

// The point packed into a mouse message's lParam or GetMessagePos's result:
// two signed 16-bit coordinates (negative left of or above the origin).
inline POINT PointFromPacked(DWORD packed) {
    return POINT{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))};
}
inline POINT PointFromLParam(LPARAM lParam) {
    return PointFromPacked(static_cast<DWORD>(lParam));
}

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND Detach() {
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        return h;
    }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return m_hWnd ? SendMessageA(m_hWnd, msg, wParam, lParam) : 0;
    }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void Invalidate(BOOL erase = TRUE) const { InvalidateRect(m_hWnd, nullptr, erase); }

    HWND m_hWnd = nullptr;
};

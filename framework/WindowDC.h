// Owner of a window's device context (GetDC or GetWindowDC / ReleaseDC): the
// client area's, or the whole window's with the origin at its top-left corner.
#pragma once

#include <windows.h>

class WindowDC {
public:
    enum Area { Client, Whole };
    explicit WindowDC(HWND hwnd, Area area = Client)
        : m_hwnd(hwnd), m_hdc(area == Whole ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_hdc) ReleaseDC(m_hwnd, m_hdc);
    }
    WindowDC(WindowDC&& other) noexcept : m_hwnd(other.m_hwnd), m_hdc(other.m_hdc) { other.m_hdc = nullptr; }
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

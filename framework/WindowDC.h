// Owner of a window's device context (GetDC / ReleaseDC).
#pragma once

#include <windows.h>

class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(GetDC(hwnd)) {}
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

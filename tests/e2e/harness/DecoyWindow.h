// A visible top-level window of the test itself, made foreground so that a
// later change of the foreground to the program's window can be observed.
#pragma once

#include <windows.h>

class DecoyWindow {
public:
    DecoyWindow();
    ~DecoyWindow();
    DecoyWindow(const DecoyWindow&) = delete;
    DecoyWindow& operator=(const DecoyWindow&) = delete;

    // True once it is the foreground window (bounded).
    bool TakeForeground(DWORD timeoutMs = 30000);

private:
    HWND m_hwnd = nullptr;
};

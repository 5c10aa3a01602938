// Selects a GDI object into a DC for one scope and puts the previous one
// back, so an owned object is never destroyed while still selected.
#pragma once

#include <windows.h>

class SelectObjectScope {
public:
    SelectObjectScope(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(obj ? SelectObject(hdc, obj) : nullptr) {}
    ~SelectObjectScope() {
        if (m_old) SelectObject(m_hdc, m_old);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

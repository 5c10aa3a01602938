// Selects a GDI object into a DC for one scope and puts the old one back, so
// an owned object is never destroyed while still selected.
#pragma once

#include <windows.h>

namespace skinctl {

class DcSelection {
public:
    DcSelection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {}
    ~DcSelection() {
        if (m_old) SelectObject(m_dc, m_old);
    }
    DcSelection(const DcSelection&) = delete;
    DcSelection& operator=(const DcSelection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace skinctl

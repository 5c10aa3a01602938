// Wrapper of the knob skin control: property 1 is the position.
#pragma once

#include "framework/Wnd.h"
#include "skinctl/SkinProtocol.h"

class CRotateButton : public CWnd {
public:
    BOOL Create(HWND parent, const RECT& rect, int id) {
        m_hWnd = CreateWindowExA(0, SKIN_KNOB_CLASS, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        return m_hWnd != nullptr;
    }
    long GetValue() const { return static_cast<long>(Send(SKM_GETPROPERTY, SKIN_PROPERTY_VALUE)); }
    void SetValue(long value) { Send(SKM_SETPROPERTY, SKIN_PROPERTY_VALUE, static_cast<LPARAM>(value)); }
};

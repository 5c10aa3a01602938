// Wrapper of the push-button skin control: property 1 is its boolean state.
#pragma once

#include "framework/Wnd.h"
#include "skinctl/SkinProtocol.h"

class CPushButton : public CWnd {
public:
    BOOL Create(HWND parent, const RECT& rect, int id) {
        m_hWnd = CreateWindowExA(0, SKIN_PUSHBUTTON_CLASS, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        return m_hWnd != nullptr;
    }
    BOOL GetValue() const { return Send(SKM_GETPROPERTY, SKIN_PROPERTY_VALUE) != 0 ? 1 : 0; }
    void SetValue(BOOL value) { Send(SKM_SETPROPERTY, SKIN_PROPERTY_VALUE, value ? 1 : 0); }
};

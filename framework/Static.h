// Base of the objects that take over a static control of a dialog.
#pragma once

#include "framework/SubclassWnd.h"

class CStatic : public CSubclassWnd {
public:
    DWORD GetStyle() const { return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE)); }
};

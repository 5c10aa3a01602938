// Wrapper of a common-controls trackbar: range, ticks and position.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CSliderCtrl : public CWnd {
public:
    void SetTicFreq(int frequency) { Send(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
    void SetRange(int low, int high, BOOL redraw = FALSE) { Send(TBM_SETRANGE, redraw, MAKELPARAM(low, high)); }
    void SetPos(int position) { Send(TBM_SETPOS, TRUE, position); }
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
};

// Owner of a tooltip window. Its tools are rectangles of other windows, whose
// mouse messages the owner of the tools relays (RelayEvent).
#pragma once

#include "framework/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() override { DestroyWindow(); }

    // A popup owned by parent's top-level window; style adds TTS_* bits.
    BOOL Create(CWnd* parent, DWORD style = 0);
    // The tool toolId: rect in window's client coordinates, text copied.
    BOOL AddTool(CWnd* window, UINT toolId, const RECT& rect, const char* text);
    // The whole of child `tool` of window, wherever it is moved; the owner
    // relays the child's mouse messages.
    BOOL AddWindowTool(CWnd* window, HWND tool, const char* text);
    // New text for such a tool; a tip showing it now shows the new text.
    void UpdateWindowToolText(CWnd* window, HWND tool, const char* text);
    void RelayEvent(MSG* msg) const;
    // How long a tip stays up while the pointer rests (TTDT_AUTOPOP) and the like.
    void SetDelayTime(DWORD which, int milliseconds) const;
    void DestroyWindow();
};

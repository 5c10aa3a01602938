#include "framework/ToolTipCtrl.h"

#include "framework/WinApp.h"

#include <commctrl.h>

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    if (m_hWnd) return FALSE;
    m_hWnd = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr, CWinApp::GetInstanceHandle(),
                             nullptr);
    return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, UINT toolId, const RECT& rect, const char* text) {
    if (!m_hWnd || !window) return FALSE;
    TOOLINFOA ti = {};
    // The first layout, which every common controls version takes.
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = 0;
    ti.hwnd = window->m_hWnd;
    ti.uId = toolId;
    ti.rect = rect;
    ti.hinst = CWinApp::GetInstanceHandle();
    ti.lpszText = const_cast<char*>(text);  // the tooltip keeps its own copy
    return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

BOOL CToolTipCtrl::AddWindowTool(CWnd* window, HWND tool, const char* text) {
    if (!m_hWnd || !window || !tool) return FALSE;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = window->m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.hinst = CWinApp::GetInstanceHandle();
    ti.lpszText = const_cast<char*>(text);
    return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void CToolTipCtrl::UpdateWindowToolText(CWnd* window, HWND tool, const char* text) {
    if (!m_hWnd || !window || !tool) return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = window->m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.hinst = CWinApp::GetInstanceHandle();
    ti.lpszText = const_cast<char*>(text);
    Send(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::RelayEvent(MSG* msg) const {
    if (m_hWnd) Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

void CToolTipCtrl::SetDelayTime(DWORD which, int milliseconds) const {
    Send(TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
}

// The owner's destruction takes the tooltip along; then only the handle is left.
void CToolTipCtrl::DestroyWindow() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

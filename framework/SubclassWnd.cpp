#include "framework/SubclassWnd.h"

// The property that carries the object on its window.
static const char kObjectProp[] = "Korvane.SubclassWnd";

CSubclassWnd::~CSubclassWnd() {
    if (m_pfnOriginalProc && ::IsWindow(m_hWnd)) UnsubclassWindow();
}

BOOL CSubclassWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || !::IsWindow(hwnd) || m_hWnd || FromHandle(hwnd)) return FALSE;
    m_hWnd = hwnd;
    PreSubclassWindow();
    if (!::IsWindow(hwnd) || !SetPropA(hwnd, kObjectProp, this)) {
        m_hWnd = nullptr;
        return FALSE;
    }
    m_pfnOriginalProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (!m_pfnOriginalProc) {
        RemovePropA(hwnd, kObjectProp);
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

// Restores unconditionally: a procedure installed after ours that still
// calls ours would then reach the system's default handling only.
HWND CSubclassWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (!hwnd || !m_pfnOriginalProc) return nullptr;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOriginalProc));
    RemovePropA(hwnd, kObjectProp);
    m_pfnOriginalProc = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

CSubclassWnd* CSubclassWnd::FromHandle(HWND hwnd) {
    // A property of another process's window is no pointer of ours.
    DWORD pid = 0;
    if (!hwnd || !GetWindowThreadProcessId(hwnd, &pid) || pid != GetCurrentProcessId()) return nullptr;
    return static_cast<CSubclassWnd*>(GetPropA(hwnd, kObjectProp));
}

BOOL CSubclassWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

bool CSubclassWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

void CSubclassWnd::PreSubclassWindow() {}

bool CSubclassWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CSubclassWnd::CallOriginalProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!m_pfnOriginalProc) return DefWindowProcA(m_hWnd, msg, wParam, lParam);
    return CallWindowProcA(m_pfnOriginalProc, m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CSubclassWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CSubclassWnd* self = static_cast<CSubclassWnd*>(GetPropA(hwnd, kObjectProp));
    if (!self || !self->m_pfnOriginalProc) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The last message: the window goes back to its own procedure for it.
        WNDPROC original = self->m_pfnOriginalProc;
        self->UnsubclassWindow();
        return CallWindowProcA(original, hwnd, msg, wParam, lParam);
    }
    return self->HandleMessage(hwnd, msg, wParam, lParam);
}

LRESULT CSubclassWnd::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool savedDefault = m_bDefaultRequested;
    m_bDefaultRequested = false;
    LRESULT result = 0;
    bool handled = OnWndMsg(msg, wParam, lParam, result);
    bool wantsDefault = m_bDefaultRequested;
    m_bDefaultRequested = savedDefault;
    if (handled && !wantsDefault) return result;
    // A handler may have destroyed the window; its own procedure is then gone too.
    if (!m_pfnOriginalProc) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return CallWindowProcA(m_pfnOriginalProc, hwnd, msg, wParam, lParam);
}

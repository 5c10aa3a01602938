#include "framework/Dialog.h"

#include "framework/DialogInit.h"
#include "framework/SubclassWnd.h"
#include "framework/WinApp.h"
#include "skinctl/SkinEvent.h"

// The dialog being created on this (the only user-interface) thread.
CDialog* CDialog::s_pCreating = nullptr;
HHOOK CDialog::s_hCreationHook = nullptr;

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_bModalDone = false;
    m_nModalResult = -1;
    // WM_CREATE and WM_SETFONT arrive before WM_INITDIALOG carries the object.
    CDialog* outer = s_pCreating;
    HHOOK outerHook = s_hCreationHook;
    s_pCreating = this;
    m_pfnSystemProc = nullptr;
    s_hCreationHook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    HWND hwnd = CreateDialogParamA(CWinApp::GetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (s_hCreationHook) UnhookWindowsHookEx(s_hCreationHook);
    s_hCreationHook = outerHook;
    s_pCreating = outer;
    if (!hwnd) return -1;

    bool parentDisabled = false;
    if (parent && IsWindowEnabled(parent)) {
        EnableWindow(parent, FALSE);
        parentDisabled = true;
    }
    if (!m_bModalDone) {
        if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
        RunModalLoop();
    }
    // Give the activation back to the owner before the window goes away.
    if (parentDisabled) EnableWindow(parent, TRUE);
    if (parent && GetActiveWindow() == hwnd) SetActiveWindow(parent);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    DestroyWindow(hwnd);
    m_hWnd = nullptr;
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (!m_bModalDone) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));  // keep the quit for the outer loop
            break;
        }
        if (got == -1) break;
        // The object behind the message's window first, then the dialog.
        CSubclassWnd* target = CSubclassWnd::FromHandle(msg.hwnd);
        if (target && target->PreTranslateMessage(&msg)) continue;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_bModalDone = true;
    if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // The dialog keyboard interface: Tab, Enter, Esc, arrows, mnemonics.
    return m_hWnd && IsDialogMessageA(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog() {
    ExecuteDlgInit();
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(m_hWnd, saveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

bool CDialog::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

bool CDialog::OnSkinEvent(int, const SkinEventArgs&) {
    return false;
}

void CDialog::ExecuteDlgInit() {
    DialogInit init(CWinApp::GetInstanceHandle(), m_nIDTemplate);
    init.Deliver(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self && (msg == WM_INITDIALOG || s_pCreating)) {
        self = msg == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : s_pCreating;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after the object let go.
    // WM_CREATE, should a system hand it on, was the creation hook's.
    if (!self || msg == WM_CREATE) return FALSE;
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    CDialog* self = s_pCreating;
    if (code == HCBT_CREATEWND && self && !self->m_pfnSystemProc) {
        // The dialog itself is the first top-level window of the creation;
        // its controls are children.
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (!(create->lpcs->style & WS_CHILD)) {
            HWND hwnd = reinterpret_cast<HWND>(wParam);
            self->m_pfnSystemProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CreationProc)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CDialog::CreationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self = s_pCreating;
    WNDPROC system = self ? self->m_pfnSystemProc : nullptr;
    if (!system) return DefWindowProcA(hwnd, msg, wParam, lParam);  // cannot happen: set before any message
    if (msg != WM_CREATE) return CallWindowProcA(system, hwnd, msg, wParam, lParam);
    // One message is all it is for: the system's procedure takes over again.
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
    return self->HandleCreate(hwnd, wParam, lParam);
}

// The default creation handling first; when it fails, the window is not
// created and the class's handler is not asked.
LRESULT CDialog::HandleCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcA(m_pfnSystemProc, hwnd, WM_CREATE, wParam, lParam);
    if (result == -1) return -1;
    m_hWnd = hwnd;
    bool savedDefault = m_bDefaultRequested;
    LRESULT own = 0;
    if (OnWndMsg(WM_CREATE, wParam, lParam, own)) result = own;
    m_bDefaultRequested = savedDefault;
    return result;
}

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
static bool ReturnsDirectly(UINT msg) {
    switch (msg) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG: return true;
        default: return false;
    }
}

INT_PTR CDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return HandleInitDialog();

    LRESULT reflected = 0;
    if (ReflectToChild(msg, wParam, lParam, reflected)) {
        if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(reflected);
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, reflected);
        return TRUE;
    }

    bool savedDefault = m_bDefaultRequested;
    m_bDefaultRequested = false;
    LRESULT result = 0;
    bool handled = OnWndMsg(msg, wParam, lParam, result);
    if (!handled && msg == WM_COMMAND) handled = HandleCommand(wParam);
    if (!handled && msg == WM_NOTIFY) handled = HandleNotify(lParam);
    bool wantsDefault = m_bDefaultRequested;
    m_bDefaultRequested = savedDefault;

    if (!handled || wantsDefault) return FALSE;
    if (ReturnsDirectly(msg)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// A child's notification goes to the object behind the child first.
bool CDialog::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_COMMAND && msg != WM_CTLCOLORSTATIC) return false;
    CSubclassWnd* child = CSubclassWnd::FromHandle(reinterpret_cast<HWND>(lParam));
    return child && child->OnChildNotify(msg, wParam, lParam, &result);
}

// A dialog that did not place itself while initialising opens centred on its
// owner, or on the screen's work area when it has none, rather than in the
// corner where its template puts it.
INT_PTR CDialog::HandleInitDialog() {
    RECT before;
    GetWindowRect(m_hWnd, &before);
    BOOL setFocus = OnInitDialog();
    RECT after;
    if (m_hWnd && GetWindowRect(m_hWnd, &after) && after.left == before.left && after.top == before.top &&
        !(GetWindowLongA(m_hWnd, GWL_STYLE) & (WS_CHILD | WS_VISIBLE)))
        CenterWindow();
    return setFocus;
}

void CDialog::CenterWindow() {
    RECT area;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    RECT around = area;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
    RECT rc;
    GetWindowRect(m_hWnd, &rc);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    int left = (around.left + around.right - width) / 2;
    int top = (around.top + around.bottom - height) / 2;
    // Wholly on the work area when it fits there.
    if (left + width > area.right) left = area.right - width;
    if (top + height > area.bottom) top = area.bottom - height;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::HandleCommand(WPARAM wParam) {
    if (HIWORD(wParam) != 0 && HIWORD(wParam) != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return true;
        case IDCANCEL: OnCancel(); return true;
        default: return false;
    }
}

bool CDialog::HandleNotify(LPARAM lParam) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    if (!hdr || hdr->code != SKN_EVENT) return false;
    const SkinEvent* ev = reinterpret_cast<const SkinEvent*>(hdr);
    return OnSkinEvent(int(hdr->idFrom), ev->args);
}

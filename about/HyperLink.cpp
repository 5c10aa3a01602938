#include "about/HyperLink.h"

#include "about/LinkRect.h"
#include "about/OpenCommand.h"
#include "about/OpenErrorText.h"
#include "framework/ProcAddress.h"
#include "framework/RegKey.h"
#include "framework/SelectObjectScope.h"
#include "framework/WinApp.h"
#include "framework/WindowDC.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstring>

static const char* const kCaption = " Korvane ";
static const UINT kToolId = 1;
static const WORD kHandCursorId = 106;  // the hand in the help viewer's resources
static const size_t kCommandSize = 520;
static const size_t kValueSize = 260;

const MessageMapEntry<CHyperLink> CHyperLink::s_messageMap[] = {
    {WM_MOUSEMOVE, 0, 0, &CHyperLink::OnMouseMoveMsg},
    {WM_SETCURSOR, 0, 0, &CHyperLink::OnSetCursorMsg},
    {WM_CAPTURECHANGED, 0, 0, &CHyperLink::OnCaptureChangedMsg},
};

static std::string WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hwnd, &text[0], length + 1)));
    return text;
}

static bool IsLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

CHyperLink::CHyperLink()
    : m_clrLink(RGB(0, 0, 238)),
      m_clrVisited(RGB(85, 26, 139)),
      m_clrHot(GetSysColor(COLOR_HIGHLIGHT)),
      m_bHot(FALSE),
      m_bLinkVisited(FALSE),
      m_bUnderlineText(TRUE),
      m_bSizeToText(TRUE),
      m_hHandCursor(nullptr) {}

CHyperLink::~CHyperLink() {
    if (IsWindow()) UnsubclassWindow();
    // The copy of the cursor is ours; each About window makes a new one.
    if (m_hHandCursor) DestroyIcon(m_hHandCursor);
}

bool CHyperLink::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return DispatchMessageMap(this, s_messageMap, msg, wParam, lParam, result);
}

void CHyperLink::PreSubclassWindow() {
    SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    if (m_strLink.empty()) m_strLink = WindowText(m_hWnd);
    if (WindowText(m_hWnd).empty()) SetWindowTextA(m_hWnd, m_strLink.c_str());

    // The control's own font, only underlined.
    LOGFONTA lf = {};
    HFONT current = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (!current || !GetObjectA(current, sizeof lf, &lf)) GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = static_cast<BYTE>(m_bUnderlineText);
    m_fontLink.Reset(CreateFontIndirectA(&lf));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);

    SizeToText();
    LoadHandCursor();

    RECT client;
    GetClientRect(m_hWnd, &client);
    if (m_wndTip.Create(this)) m_wndTip.AddTool(this, kToolId, client, m_strLink.c_str());

    CStatic::PreSubclassWindow();
}

void CHyperLink::SizeToText() {
    if (!IsWindow() || !m_bSizeToText) return;
    RECT window;
    GetWindowRect(m_hWnd, &window);
    if (HWND parent = ::GetParent(m_hWnd)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);

    const std::string text = WindowText(m_hWnd);
    SIZE extent = {};
    {
        WindowDC dc(m_hWnd);
        SelectObjectScope font(dc.Get(), m_fontLink.Get());
        GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }
    const LinkRect r =
        FitLinkRectToText({window.left, window.top, window.right, window.bottom}, extent.cx, extent.cy, GetStyle());
    SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
}

// Borrowed from the help viewer; without it the control keeps the class cursor.
void CHyperLink::LoadHandCursor() {
    if (m_hHandCursor) return;
    char directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::string path = std::string(directory) + "\\winhlp32.exe";
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) return;
    if (HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(kHandCursorId))) m_hHandCursor = CopyIcon(hand);
    FreeLibrary(module);
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg) {
    m_wndTip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

bool CHyperLink::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg == WM_CTLCOLORSTATIC) {
        *result = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnLinkClicked();
        *result = 0;
        return true;
    }
    return false;
}

HBRUSH CHyperLink::OnCtlColor(HDC hdc) const {
    SetTextColor(hdc, m_bHot ? m_clrHot : m_bLinkVisited ? m_clrVisited : m_clrLink);
    SetBkMode(hdc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// Hot while the pointer is over the text; the capture tells when it leaves.
LRESULT CHyperLink::OnMouseMoveMsg(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallOriginalProc(WM_MOUSEMOVE, wParam, lParam);
    const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
    if (!m_bHot) {
        m_bHot = TRUE;
        RedrawWindow(m_hWnd, nullptr, nullptr, redraw);
        SetCapture(m_hWnd);
    } else {
        RECT client;
        GetClientRect(m_hWnd, &client);
        const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (!PtInRect(&client, point)) {
            m_bHot = FALSE;
            ReleaseCapture();
            RedrawWindow(m_hWnd, nullptr, nullptr, redraw);
        }
    }
    return result;
}

// Another window took the mouse (a browser or a message box came up over
// the link): the move that would take the hover colour away will not come.
LRESULT CHyperLink::OnCaptureChangedMsg(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallOriginalProc(WM_CAPTURECHANGED, wParam, lParam);
    if (m_bHot && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_bHot = FALSE;
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return result;
}

// Without the hand the static's own procedure is not asked either.
LRESULT CHyperLink::OnSetCursorMsg(WPARAM, LPARAM) {
    if (!m_hHandCursor) return FALSE;
    SetCursor(m_hHandCursor);
    return TRUE;
}

void CHyperLink::OnLinkClicked() {
    const INT_PTR result = OpenLink(m_strLink, SW_SHOW);
    m_bLinkVisited = result > 32;
    if (m_bLinkVisited) {
        SetLinkVisited(TRUE);
    } else {
        MessageBeep(MB_ICONEXCLAMATION);
        ShowOpenError(static_cast<int>(result));
    }
}

void CHyperLink::SetLinkVisited(BOOL visited) {
    m_bLinkVisited = visited;
    if (IsWindow()) InvalidateRect(m_hWnd, nullptr, TRUE);
}

namespace {

// The shell is needed only when a link is opened, so it is loaded then and
// not with the program (it brings several libraries with it). It stays
// loaded: what it started for the page may still be running in it.
INT_PTR ShellOpen(const std::string& address, int show) {
    typedef HINSTANCE(WINAPI * ShellExecuteFn)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    HMODULE shell = LoadLibraryA("shell32.dll");
    const ShellExecuteFn execute = shell ? GetProcAs<ShellExecuteFn>(shell, "ShellExecuteA") : nullptr;
    if (!execute) return SE_ERR_DLLNOTFOUND;
    return reinterpret_cast<INT_PTR>(execute(nullptr, "open", address.c_str(), nullptr, nullptr, show));
}

}  // namespace

INT_PTR CHyperLink::OpenLink(const std::string& address, int show) {
    const INT_PTR shell = ShellOpen(address, show);
    if (shell > 32) return shell;

    // The shell knows no handler for the address: the web page handler's command.
    char key[kCommandSize];
    if (ReadKeyDefault(HKEY_CLASSES_ROOT, ".htm", key, sizeof key) != ERROR_SUCCESS) return shell;
    static const char kSuffix[] = "\\shell\\open\\command";
    const size_t length = std::strlen(key);
    if (length + sizeof kSuffix > sizeof key) return shell;  // cannot happen: values are under 260
    std::memcpy(key + length, kSuffix, sizeof kSuffix);
    if (ReadKeyDefault(HKEY_CLASSES_ROOT, key, key, sizeof key) != ERROR_SUCCESS) return shell;

    // A line that would not fit the command buffer is not run at all: cut
    // short it would start something else; the shell's error stands.
    std::string command;
    if (!BuildOpenCommand(key, address, IsLeadByte, kCommandSize, command)) return shell;
    return static_cast<INT_PTR>(WinExec(command.c_str(), show));
}

// dest is written only on success, after the key is open, so subkey may be
// dest itself. A value that cannot be read whole (longer than 259
// characters, or not ending in its zero) gives ERROR_MORE_DATA.
LONG CHyperLink::ReadKeyDefault(HKEY root, const char* subkey, char* dest, size_t destSize) {
    RegKey key;
    const LONG opened = key.Open(root, subkey, KEY_QUERY_VALUE);
    if (opened != ERROR_SUCCESS) return opened;
    char value[kValueSize];
    LONG size = static_cast<LONG>(sizeof value);
    const LONG queried = RegQueryValueA(key.Get(), nullptr, value, &size);
    if (queried != ERROR_SUCCESS) return queried;
    if (size <= 0) {
        value[0] = '\0';
    } else if (static_cast<size_t>(size) < sizeof value) {
        value[size] = '\0';
    } else if (value[sizeof value - 1] != '\0') {
        return ERROR_MORE_DATA;
    }
    const size_t length = std::strlen(value);
    if (length >= destSize) return ERROR_MORE_DATA;
    std::memcpy(dest, value, length + 1);
    key.Close();
    return ERROR_SUCCESS;
}

void CHyperLink::ShowOpenError(int code) const {
    HWND owner = m_hWnd;
    while (owner && (GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
    if (!owner) {
        CWinApp* app = CWinApp::GetApp();
        if (app && app->m_pMainWnd) owner = app->m_pMainWnd->m_hWnd;
    }
    MessageBoxA(owner, OpenErrorText(code).c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}

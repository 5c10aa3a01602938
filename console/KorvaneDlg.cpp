#include "console/KorvaneDlg.h"

#include "about/AboutDlg.h"
#include "console/Resource.h"
#include "engine/ControlCodes.h"
#include "framework/WinApp.h"

static const char* const kTitle = " Korvane ";
static const char* const kAboutMenuText =
    "\xDC"
    "ber Korvane";

const MessageMapEntry<CKorvaneDlg> CKorvaneDlg::s_messageMap[] = {
    {WM_SYSCOMMAND, 0, 0, &CKorvaneDlg::OnSysCommandMsg},
    {WM_PAINT, 0, 0, &CKorvaneDlg::OnPaintMsg},
    {WM_QUERYDRAGICON, 0, 0, &CKorvaneDlg::OnQueryDragIconMsg},
    {WM_ERASEBKGND, 0, 0, &CKorvaneDlg::OnEraseBkgndMsg},
    {WM_CREATE, 0, 0, &CKorvaneDlg::OnCreateMsg},
    {WM_DESTROY, 0, 0, &CKorvaneDlg::OnDestroyMsg},
    {WM_SETCURSOR, 0, 0, &CKorvaneDlg::OnSetCursorMsg},
    {WM_LBUTTONDOWN, 0, 0, &CKorvaneDlg::OnLButtonDownMsg},
    {WM_LBUTTONUP, 0, 0, &CKorvaneDlg::OnLButtonUpMsg},
    {WM_MOUSEMOVE, 0, 0, &CKorvaneDlg::OnMouseMoveMsg},
    {WM_CAPTURECHANGED, 0, 0, &CKorvaneDlg::OnCaptureChangedMsg},
    {WM_RBUTTONDOWN, 0, 0, &CKorvaneDlg::OnRButtonMsg},
    {WM_RBUTTONUP, 0, 0, &CKorvaneDlg::OnRButtonMsg},
    {WM_LBUTTONDBLCLK, 0, 0, &CKorvaneDlg::OnLButtonDblClkMsg},
    {WM_RBUTTONDBLCLK, 0, 0, &CKorvaneDlg::OnRButtonMsg},
    {WM_TIMER, 0, 0, &CKorvaneDlg::OnTimerMsg},
    {WM_COMMAND, ID_3D_MINUS3, ID_HEADPHONES_TOGGLE, &CKorvaneDlg::OnStepCommandMsg},
    {WM_MOUSEWHEEL, 0, 0, &CKorvaneDlg::OnMouseWheelMsg},
};

const EventSinkEntry<CKorvaneDlg> CKorvaneDlg::s_eventSinkMap[] = {
    {IDC_KNOB_3D, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnKnob3DEvent},
    {IDC_KNOB_SOUNDFIELDS, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnKnobSoundfieldsEvent},
    {IDC_KNOB_VIBE, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnKnobVibeEvent},
    {IDC_HEADPHONES, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnHeadphonesEvent},
    {IDC_CLOSE, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnCloseEvent},
    {IDC_CLOSE_MINI, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnCloseEvent},
    {IDC_FULL, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnFullModeEvent},
    {IDC_MINI, SKIN_EVENT_CHANGE, &CKorvaneDlg::OnMiniModeEvent},
};

CKorvaneDlg::CKorvaneDlg(CWnd* parent) : CDialog(IDD_KORVANE_DIALOG, parent) {
    HINSTANCE instance = CWinApp::GetInstanceHandle();
    m_hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_hAccel = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATOR));
}

// The regions and wrappers go with the object; the engine channels were
// closed in OnDestroy.
CKorvaneDlg::~CKorvaneDlg() = default;

bool CKorvaneDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return DispatchMessageMap(this, s_messageMap, msg, wParam, lParam, result);
}

bool CKorvaneDlg::OnSkinEvent(int controlId, const SkinEventArgs& args) {
    return DispatchEventSinkMap(this, s_eventSinkMap, controlId, args);
}

void CKorvaneDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_KNOB_3D, m_knob3D);
    DDX_Control(pDX, IDC_KNOB_VIBE, m_knobVibe);
    DDX_Control(pDX, IDC_KNOB_SOUNDFIELDS, m_knobSoundfields);
    DDX_Control(pDX, IDC_HEADPHONES, m_btnHeadphones);
}

BOOL CKorvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendSystemMenuItems();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_bDragging = FALSE;

    // A second copy finds this one by its exact title.
    CWnd* mainWnd = CWinApp::GetApp() ? CWinApp::GetApp()->m_pMainWnd : nullptr;
    SetWindowTextA(mainWnd && mainWnd->m_hWnd ? mainWnd->m_hWnd : m_hWnd, kTitle);

    m_engine.Open();
    CreateToolTips();
    // Without the settings key nothing is switched on, shaped or relayed in
    // this run; the first paint still gives the window its full form.
    const BOOL loaded = LoadSettings();
    ShowFormControls();
    RefreshControlTexts();
    if (!loaded) return FALSE;

    static const int32_t kOn = 1;
    EngineMessage vibeOn = EngineMessage::Int(IOCTL_VIBE_ENABLE, kOn);
    SendToEngine(&vibeOn, 1);
    EngineMessage soundfieldsOn = EngineMessage::Int(IOCTL_SOUNDFIELDS_ENABLE, kOn);
    SendToEngine(&soundfieldsOn, 1);

    ApplyInitialShape();
    SetTimer(m_hWnd, ID_TIMER_STATUS, 100, nullptr);
    return TRUE;
}

void CKorvaneDlg::AppendSystemMenuItems() {
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (!menu || kAboutMenuText[0] == '\0') return;
    AppendMenuA(menu, MF_STRING, IDM_MINIMODE, "Minimieren");
    AppendMenuA(menu, MF_STRING, IDM_FULLMODE, "Wiederherstellen");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, kAboutMenuText);
}

LRESULT CKorvaneDlg::OnSysCommandMsg(WPARAM wParam, LPARAM lParam) {
    OnSysCommand(static_cast<UINT>(wParam), lParam);
    return 0;
}

void CKorvaneDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.DoModal();
    } else if (id == IDM_MINIMODE) {
        SetMiniMode();
    } else if (id == IDM_FULLMODE) {
        SetFullMode();
    } else {
        Default();
    }
}

void CKorvaneDlg::SetMiniMode() {
    m_bMiniMode = 1;
    ShowFormControls();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CKorvaneDlg::SetFullMode() {
    m_bMiniMode = 0;
    ShowFormControls();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CKorvaneDlg::OnQueryDragIconMsg(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CKorvaneDlg::OnDestroyMsg(WPARAM, LPARAM) {
    OnDestroy();
    return 0;
}

void CKorvaneDlg::OnDestroy() {
    SaveSettings();  // while the controls still exist
    KillTimer(m_hWnd, ID_TIMER_STATUS);
    m_engine.Close();
}

LRESULT CKorvaneDlg::OnTimerMsg(WPARAM wParam, LPARAM) {
    OnTimer(static_cast<UINT_PTR>(wParam));
    return 0;
}

// The wheel goes to the focus window; send it to the knob under the pointer.
// Only knobs: another child would hand it straight back to us.
LRESULT CKorvaneDlg::OnMouseWheelMsg(WPARAM wParam, LPARAM lParam) {
    const POINT pt = PointFromLParam(lParam);
    HWND target = WindowFromPoint(pt);
    char cls[64] = "";
    if (target && ::GetParent(target) == m_hWnd) GetClassNameA(target, cls, sizeof cls);
    if (lstrcmpiA(cls, SKIN_KNOB_CLASS) == 0) {
        SendMessageA(target, WM_MOUSEWHEEL, wParam, lParam);
        return 0;
    }
    Default();
    return 0;
}

void CKorvaneDlg::OnKnob3DEvent(const SkinEventArgs& args) {
    Apply3D(args.argc > 0 ? args.argv[0] : m_knob3D.GetValue());
    RefreshControlTexts();
}

void CKorvaneDlg::OnKnobSoundfieldsEvent(const SkinEventArgs& args) {
    ApplySoundfields(args.argc > 0 ? args.argv[0] : 0);
    RefreshControlTexts();
}

void CKorvaneDlg::OnKnobVibeEvent(const SkinEventArgs& args) {
    ApplyVibe(args.argc > 0 ? args.argv[0] : 0);
    RefreshControlTexts();
}

void CKorvaneDlg::OnHeadphonesEvent(const SkinEventArgs&) {
    ApplyHeadphones();
    RefreshControlTexts();
}

void CKorvaneDlg::OnCloseEvent(const SkinEventArgs&) {
    OnOK();
}

void CKorvaneDlg::OnFullModeEvent(const SkinEventArgs&) {
    SetFullMode();
}

void CKorvaneDlg::OnMiniModeEvent(const SkinEventArgs&) {
    SetMiniMode();
}

#include "about/AboutDlg.h"

#include "console/KorvaneDlg.h"
#include "console/Resource.h"
#include "framework/RegKey.h"
#include "settings/SettingsRules.h"

const MessageMapEntry<CAboutDlg> CAboutDlg::s_messageMap[] = {
    {WM_HSCROLL, 0, 0, &CAboutDlg::OnHScrollMsg},
    {WM_DESTROY, 0, 0, &CAboutDlg::OnDestroyMsg},
};

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

bool CAboutDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return DispatchMessageMap(this, s_messageMap, msg, wParam, lParam, result);
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MASTER_VOLUME, m_slider);
    DDX_Control(pDX, IDC_LINK, m_link);
}

// The trackbar shows the stored master volume. Without the settings key it
// keeps its own defaults; moving it then creates the key.
BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, Settings::kKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS) return FALSE;
    DWORD position = Settings::kMasterVolume.defaultValue;
    if (!key.QueryDword(Settings::kMasterVolume.name, position)) position = Settings::kMasterVolume.defaultValue;
    m_slider.SetTicFreq(1);
    m_slider.SetRange(0, 20, FALSE);
    m_slider.SetPos(static_cast<int>(position));  // the trackbar clamps what lies outside
    UpdateData(FALSE);
    return TRUE;
}

// The logo's static loaded bitmap 154 from the template and does not free it
// when it goes: one GDI object lost per About window. Taken back and freed
// here; a static that no longer holds it cannot free it a second time.
LRESULT CAboutDlg::OnDestroyMsg(WPARAM, LPARAM) {
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
        if (HGDIOBJ logo = reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)))
            DeleteObject(logo);
    }
    return 0;
}

LRESULT CAboutDlg::OnHScrollMsg(WPARAM wParam, LPARAM lParam) {
    OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    return 0;
}

// Every notification, whatever its code, each step of a thumb drag included.
void CAboutDlg::OnHScroll(UINT, UINT, HWND) {
    OutputDebugStringA("=> OnHScroll\n\r");
    UpdateData(TRUE);
    const int position = m_slider.GetPos();
    if (CKorvaneDlg* console = dynamic_cast<CKorvaneDlg*>(GetParent())) console->AdjustMasterVolume(position);
    OutputDebugStringA("<= OnHScroll\n\r");
}

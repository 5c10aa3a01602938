#include "LinkTestDialog.h"

static const UINT kStepMsg = WM_APP + 1;
static const UINT_PTR kWatchdogTimer = 1;

BOOL LinkTestDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetTimer(m_hWnd, kWatchdogTimer, 60000, nullptr);
    PostMessageA(m_hWnd, kStepMsg, 0, 0);
    return TRUE;
}

void LinkTestDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEST_LINK, m_link);
    DDX_Control(pDX, IDC_TEST_BADLINK, m_badLink);
    DDX_Control(pDX, IDC_TEST_PLAIN, m_plain);
}

bool LinkTestDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    if (msg == WM_TIMER && wParam == kWatchdogTimer) {
        EndDialog(IDABORT);
        return true;
    }
    if (msg != kStepMsg) return false;
    if (m_next < m_steps.size()) {
        m_steps[m_next++](*this);
        PostMessageA(m_hWnd, kStepMsg, 0, 0);
    } else {
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDOK)));
    }
    return true;
}

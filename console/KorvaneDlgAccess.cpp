// Keyboard and screen-reader access to the console's skin controls: Tab goes
// round the controls of the current form only, each control's window text
// names it and its level for screen readers, and a tooltip tells the same.
#include "console/KorvaneDlg.h"

#include "console/ControlText.h"
#include "console/Resource.h"
#include "framework/WinEvent.h"
#include "skinctl/FocusCue.h"

#include <commctrl.h>

namespace {

// Every control with a name, in tab order.
const int kNamedControls[] = {IDC_KNOB_3D, IDC_KNOB_VIBE, IDC_KNOB_SOUNDFIELDS, IDC_HEADPHONES, IDC_MINI,
                              IDC_CLOSE,   IDC_FULL,      IDC_CLOSE_MINI};

// The buttons of one form, and what stands in their place in the other.
struct FormButton {
    int fullForm;
    int miniForm;
};
const FormButton kFormButtons[] = {{IDC_MINI, IDC_FULL}, {IDC_CLOSE, IDC_CLOSE_MINI}};

}  // namespace

// The full form's buttons lie outside the mini outline and the mini form's
// outside the full one; hidden, they leave the tab order too. The keyboard
// focus on a button that goes moves to its counterpart in the new form.
void CKorvaneDlg::ShowFormControls() {
    const bool mini = m_bMiniMode != 0;
    HWND focus = ::GetFocus();
    for (const FormButton& b : kFormButtons) {
        HWND shown = GetDlgItem(mini ? b.miniForm : b.fullForm);
        HWND hidden = GetDlgItem(mini ? b.fullForm : b.miniForm);
        ShowWindow(shown, SW_SHOWNA);
        if (focus && focus == hidden) ::SetFocus(shown);
        ShowWindow(hidden, SW_HIDE);
    }
}

// A tool per named control; its text comes with the first refresh.
void CKorvaneDlg::CreateToolTips() {
    if (!m_toolTip.Create(this, TTS_ALWAYSTIP | TTS_NOPREFIX)) return;
    // A level is read while the knob turns under the resting pointer: the tip
    // stays up as long as it may (a 16-bit count of milliseconds).
    m_toolTip.SetDelayTime(TTDT_AUTOPOP, 32767);
    for (int id : kNamedControls) m_toolTip.AddWindowTool(this, GetDlgItem(id), "");
}

// After anything that may have changed a level: texts that differ are set,
// and screen readers are told of the new name and value.
void CKorvaneDlg::RefreshControlTexts() {
    for (int id : kNamedControls) {
        HWND control = GetDlgItem(id);
        if (!control) continue;
        const LRESULT value = SendMessageA(control, SKM_GETPROPERTY, SKIN_PROPERTY_VALUE, 0);
        ControlText::Texts texts;
        if (!ControlText::ForControl(id, static_cast<int32_t>(value), texts)) continue;
        char current[64] = "";
        GetWindowTextA(control, current, sizeof current);
        if (texts.name == current) continue;
        SetWindowTextA(control, texts.name.c_str());
        m_toolTip.UpdateWindowToolText(this, control, texts.tip.c_str());
        NotifyWinEventIfAvailable(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
        if (ControlText::HasValue(id))
            NotifyWinEventIfAvailable(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    }
}

// The tooltips see the pointer over the console and its controls.
void CKorvaneDlg::RelayToolTipEvent(MSG* msg) {
    switch (msg->message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP: break;
        default: return;
    }
    if (msg->hwnd == m_hWnd || ::GetParent(msg->hwnd) == m_hWnd) m_toolTip.RelayEvent(msg);
}

// Focus marks appear once the keyboard has moved the focus. Systems with a
// keyboard-cue state clear it themselves in the dialog's key handling; it is
// asked for here as well, as the dialog manager does. Older systems get the
// news from here, the first time Tab is pressed.
void CKorvaneDlg::NoteKeyboardUse(const MSG* msg) {
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_TAB) return;
    if (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd)) return;
    const WPARAM showFocus = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
    if (skinctl::FocusCue::SystemKeepsCues()) {
        SendMessageA(m_hWnd, WM_CHANGEUISTATE, showFocus, 0);
        return;
    }
    if (m_bKeyboardCues) return;
    m_bKeyboardCues = true;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_UPDATEUISTATE, showFocus, 0);
}

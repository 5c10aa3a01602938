// Keyboard shortcuts: function keys step the knobs, the space bar toggles
// the headphones. Keys are translated before the dialog's own handling.
#include "console/KorvaneDlg.h"

#include "console/KnobStep.h"
#include "console/Resource.h"

// The shortcuts come first, wherever the focus is: Space toggles the
// headphones even with a button focused. Then the dialog's own keys (Tab,
// Enter, Escape, arrows), which a focused knob or button partly keeps.
BOOL CKorvaneDlg::PreTranslateMessage(MSG* msg) {
    RelayToolTipEvent(msg);
    if (m_hAccel && TranslateAcceleratorA(m_hWnd, m_hAccel, msg)) return TRUE;
    NoteKeyboardUse(msg);
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CKorvaneDlg::OnStepCommandMsg(WPARAM wParam, LPARAM) {
    OnStepCommand(LOWORD(wParam));
    return 0;
}

void CKorvaneDlg::OnStepCommand(UINT id) {
    if (id == ID_HEADPHONES_TOGGLE) {
        m_btnHeadphones.SetValue(m_btnHeadphones.GetValue() ? 0 : 1);
        ApplyHeadphones();
        RefreshControlTexts();
        return;
    }
    int knob = 0;
    int32_t step = 0;
    if (!KnobStep::ForCommand(id, knob, step)) return;
    CRotateButton* knobs[] = {&m_knob3D, &m_knobVibe, &m_knobSoundfields};
    CRotateButton& k = *knobs[knob];
    long v = KnobStep::Apply(k.GetValue(), step);
    k.SetValue(v);  // before the apply call: Vibe and Soundfields read the knob
    switch (knob) {
        case 0: Apply3D(v); break;
        case 1: ApplyVibe(v); break;
        default: ApplySoundfields(v); break;
    }
    RefreshControlTexts();
}

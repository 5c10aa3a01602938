// The skin of the console: outline, picture, control layout, drag handle and
// link area. The shaped skin replaces these placeholders; until then the
// console is a plain dark panel with its controls where the template puts them.
#include "console/KorvaneDlg.h"

#include "framework/GdiObject.h"

LRESULT CKorvaneDlg::OnPaintMsg(WPARAM, LPARAM) {
    OnPaint();
    return 0;
}

LRESULT CKorvaneDlg::OnEraseBkgndMsg(WPARAM wParam, LPARAM) { return OnEraseBkgnd(reinterpret_cast<HDC>(wParam)); }

LRESULT CKorvaneDlg::OnCreateMsg(WPARAM, LPARAM lParam) {
    return OnCreate(reinterpret_cast<const CREATESTRUCTA*>(lParam));
}

LRESULT CKorvaneDlg::OnMouseMsg(WPARAM, LPARAM) {
    Default();  // dragging and the link area: not yet
    return 0;
}

// Placeholder: the dialog paints itself; the skin picture comes later.
void CKorvaneDlg::OnPaint() { Default(); }

// Placeholder background: a dark panel in the skin's colours.
BOOL CKorvaneDlg::OnEraseBkgnd(HDC hdc) {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    UniqueBrush panel(CreateSolidBrush(RGB(16, 28, 48)));
    FillRect(hdc, &rc, panel.Get());
    return TRUE;
}

// Placeholder: the drag-handle and link regions are built here later.
int CKorvaneDlg::OnCreate(const CREATESTRUCTA*) {
    Default();
    return 0;
}

// Placeholder: the window takes its outline and size for m_bMiniMode here later.
void CKorvaneDlg::ApplyInitialShape() {}

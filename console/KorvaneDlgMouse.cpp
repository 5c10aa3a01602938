// The console's hot areas: the drag handle, which moves the captionless
// window, and the logo plate, whose double-click opens the product's web page.
#include "console/KorvaneDlg.h"

#include "console/Resource.h"
#include "skin/SkinRegion.h"

namespace {

// The cursors are shared resources: loaded on each change, never freed.
HCURSOR SetSkinCursor(UINT id) {
    return SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
}

}  // namespace

bool CKorvaneDlg::InDragArea(POINT p) const {
    return m_rgnDrag && PtInRegion(m_rgnDrag.Get(), p.x, p.y);
}

bool CKorvaneDlg::InLinkArea(POINT p) const {
    return m_rgnLink && PtInRegion(m_rgnLink.Get(), p.x, p.y);
}

LRESULT CKorvaneDlg::OnCreateMsg(WPARAM, LPARAM lParam) {
    return OnCreate(reinterpret_cast<const CREATESTRUCTA*>(lParam));
}

// The areas are built once, before the controls exist, and serve both forms.
// The dialog's default creation handling has run just before (CDialog).
int CKorvaneDlg::OnCreate(const CREATESTRUCTA*) {
    // White is outside, every other pixel of a mask inside.
    m_rgnDrag = UniqueRegion(RegionFromSkinBitmap(IDB_DRAG_AREA, 0x00FFFFFF, 0));
    m_rgnLink = UniqueRegion(RegionFromSkinBitmap(IDB_LINK_AREA, 0x00FFFFFF, 0));
    return 0;
}

LRESULT CKorvaneDlg::OnSetCursorMsg(WPARAM, LPARAM) {
    if (!m_bDragging) {
        Default();  // the class cursor, the arrow
        return 0;
    }
    return SetSkinCursor(IDC_CURSOR_DRAG) ? TRUE : FALSE;
}

LRESULT CKorvaneDlg::OnLButtonDownMsg(WPARAM, LPARAM lParam) {
    const POINT p = PointFromLParam(lParam);
    if (m_bDragging || !InDragArea(p)) return 0;
    SetSkinCursor(IDC_CURSOR_DRAG);
    SetCapture(m_hWnd);
    m_ptDragOffset = p;
    m_bDragging = TRUE;
    return 0;
}

// While dragging, the window follows the cursor wherever it is, keeping the
// client point where the drag began under it; the area only decides the
// cursor. The cursor's screen position is the message's own: the client
// point it carries may have been worked out before the window's last move,
// and converting it back with the new position would overshoot. The window's
// corner lies outside the client area by the frame, which is allowed for, so
// the window does not jump by the frame's width at the first move.
LRESULT CKorvaneDlg::OnMouseMoveMsg(WPARAM wParam, LPARAM lParam) {
    // The release went elsewhere (another window had the mouse meanwhile):
    // a pointer moving with no button held drags nothing.
    if (m_bDragging && !(wParam & MK_LBUTTON)) {
        m_bDragging = FALSE;
        if (GetCapture() == m_hWnd) ReleaseCapture();
    }
    if (InDragArea(PointFromLParam(lParam))) SetSkinCursor(m_bDragging ? IDC_CURSOR_DRAG : IDC_CURSOR_HOVER);
    if (!m_bDragging) return 0;
    const POINT cursor = PointFromPacked(GetMessagePos());
    RECT rc;
    GetWindowRect(m_hWnd, &rc);
    POINT clientOrigin = {0, 0};
    ClientToScreen(m_hWnd, &clientOrigin);
    const int left = cursor.x - m_ptDragOffset.x - (clientOrigin.x - rc.left);
    const int top = cursor.y - m_ptDragOffset.y - (clientOrigin.y - rc.top);
    MoveWindow(m_hWnd, left, top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    return 0;
}

// A message box, another program or the system took the mouse: the release
// will not come here, so the drag ends now, or the window would go on
// following a pointer with no button held.
LRESULT CKorvaneDlg::OnCaptureChangedMsg(WPARAM, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != m_hWnd) m_bDragging = FALSE;
    return 0;
}

// Any release ends a drag, except one on the handle while not dragging.
LRESULT CKorvaneDlg::OnLButtonUpMsg(WPARAM, LPARAM lParam) {
    if (InDragArea(PointFromLParam(lParam))) {
        if (!m_bDragging) {
            SetSkinCursor(IDC_CURSOR_HOVER);
            return 0;
        }
        SetSkinCursor(IDC_CURSOR_DRAG);
    }
    ReleaseCapture();
    m_bDragging = FALSE;
    return 0;
}

// Press, release and double-click of the right button alike.
LRESULT CKorvaneDlg::OnRButtonMsg(WPARAM, LPARAM lParam) {
    if (InDragArea(PointFromLParam(lParam))) SetSkinCursor(IDC_CURSOR_HOVER);
    return 0;
}

LRESULT CKorvaneDlg::OnLButtonDblClkMsg(WPARAM, LPARAM lParam) {
    const POINT p = PointFromLParam(lParam);
    if (InDragArea(p)) SetSkinCursor(IDC_CURSOR_HOVER);
    if (InLinkArea(p)) {
        // Windows 9x has a start program; the NT family has start only inside
        // its shell. The second way is tried only when the first failed, so
        // that one double-click opens one page, not two.
        if (WinExec("start " KORVANE_WEB_ADDRESS, SW_HIDE) <= 31) WinExec("cmd /c start " KORVANE_WEB_ADDRESS, SW_HIDE);
    }
    return 0;
}

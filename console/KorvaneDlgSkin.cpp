// The skin of the console: its outline for the current form, the picture
// behind the controls, and every control at its pixel position.
#include "console/KorvaneDlg.h"

#include "console/Resource.h"
#include "framework/WindowDC.h"
#include "skin/SkinBitmap.h"
#include "skin/SkinLayout.h"
#include "skin/SkinRegion.h"

namespace {

// Keeps the window's top-left corner and gives it the skin's size.
void SizeToSkin(HWND hwnd, BOOL repaint) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    if (rc.right - rc.left == skin::kWindowWidth && rc.bottom - rc.top == skin::kWindowHeight) return;
    MoveWindow(hwnd, rc.left, rc.top, skin::kWindowWidth, skin::kWindowHeight, repaint);
}

// Moving a child to where it is already would still repaint it.
void PlaceChild(HWND parent, HWND child, const skin::ChildPlace& place) {
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    if (rc.left == place.left && rc.top == place.top && rc.right - rc.left == place.width &&
        rc.bottom - rc.top == place.height)
        return;
    MoveWindow(child, place.left, place.top, place.width, place.height, TRUE);
}

void ShowChild(HWND child, bool show) {
    if (!child || ((GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0) == show) return;
    ShowWindow(child, show ? SW_SHOWNORMAL : SW_HIDE);
}

}  // namespace

LRESULT CKorvaneDlg::OnPaintMsg(WPARAM, LPARAM) {
    OnPaint();
    return 0;
}

LRESULT CKorvaneDlg::OnEraseBkgndMsg(WPARAM wParam, LPARAM) {
    return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
}

// While the window opens: the outline of the form, exactly black outside.
void CKorvaneDlg::ApplyInitialShape() {
    const UINT outline = m_bMiniMode ? IDB_OUTLINE_MINI : IDB_OUTLINE_FULL;
    SetWindowRgn(m_hWnd, RegionFromSkinBitmap(outline, 0x000000, 0), TRUE);  // the window owns it now
    m_shapedOutline = 0;  // traced with another tolerance: the first paint sets its own
    SizeToSkin(m_hWnd, TRUE);
}

// Every paint shapes and lays out the window from m_bMiniMode, so a change of
// form needs nothing but an invalidation. The outlines are traced once per
// form. Shape, size, places and visibility are set only where they differ
// from what the windows have: setting them again changes nothing to see but
// makes the system redo the shape on the screen and repaint once more. The
// shapes only this program sets, so it remembers which one each window took.
void CKorvaneDlg::OnPaint() {
    // The mini form's own buttons; the animation and the full form's buttons
    // fall outside the mini outline and need no hiding.
    ShowChild(GetDlgItem(IDC_FULL), m_bMiniMode != 0);
    ShowChild(GetDlgItem(IDC_CLOSE_MINI), m_bMiniMode != 0);

    SizeToSkin(m_hWnd, FALSE);
    for (const skin::ChildPlace& place : skin::kChildPlaces) {
        if (HWND child = GetDlgItem(place.id)) PlaceChild(m_hWnd, child, place);
    }

    HWND animation = GetDlgItem(IDC_ANIMATION);
    if (animation && !m_bAnimationShaped) {
        HRGN region = m_outlines.Copy(IDB_OUTLINE_ANIMATION, 0x00FFFFFF, 0);
        SetWindowRgn(animation, region, TRUE);
        m_bAnimationShaped = region != nullptr;
    }

    // The outline comes last: a window that wears its form's outline has its
    // controls in place. Near-black (each channel up to 0x10) is outside too.
    const UINT outline = m_bMiniMode ? IDB_OUTLINE_MINI : IDB_OUTLINE_FULL;
    if (m_shapedOutline != outline) {
        HRGN region = m_outlines.Copy(outline, 0x000000, 0x101010);
        SetWindowRgn(m_hWnd, region, TRUE);  // the window owns it now; without one, no shape
        m_shapedOutline = region ? outline : 0;
    }

    // Nothing is drawn here: the picture comes with the background.
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);
}

// The picture covers the whole window, frame included, so it is drawn on the
// window's own DC, not on the client DC that comes with the message.
BOOL CKorvaneDlg::OnEraseBkgnd(HDC) {
    if (!m_background.Get()) m_background.LoadBitmap(IDB_BACKGROUND);  // tried again at the next erase if it fails
    WindowDC window(m_hWnd, WindowDC::Whole);
    m_background.Draw(window.Get(), 0, 0);
    return TRUE;
}

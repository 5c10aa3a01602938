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
    MoveWindow(hwnd, rc.left, rc.top, skin::kWindowWidth, skin::kWindowHeight, repaint);
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
    SizeToSkin(m_hWnd, TRUE);
}

// Every paint shapes and lays out the window anew from m_bMiniMode, so a
// change of form needs nothing but an invalidation. The outlines are traced
// once and copied at each paint: the same regions, without the tracing.
void CKorvaneDlg::OnPaint() {
    // Near-black (each channel up to 0x10) is outside as well.
    const UINT outline = m_bMiniMode ? IDB_OUTLINE_MINI : IDB_OUTLINE_FULL;
    SetWindowRgn(m_hWnd, m_outlines.Copy(outline, 0x000000, 0x101010), TRUE);

    // The mini form's own buttons; the animation and the full form's buttons
    // fall outside the mini outline and need no hiding.
    const int show = m_bMiniMode ? SW_SHOWNORMAL : SW_HIDE;
    ShowWindow(GetDlgItem(IDC_FULL), show);
    ShowWindow(GetDlgItem(IDC_CLOSE_MINI), show);

    SizeToSkin(m_hWnd, FALSE);
    for (const skin::ChildPlace& place : skin::kChildPlaces) {
        if (HWND child = GetDlgItem(place.id))
            MoveWindow(child, place.left, place.top, place.width, place.height, TRUE);
    }

    if (HWND animation = GetDlgItem(IDC_ANIMATION))
        SetWindowRgn(animation, m_outlines.Copy(IDB_OUTLINE_ANIMATION, 0x00FFFFFF, 0), TRUE);

    // Nothing is drawn here: the picture comes with the background.
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);
}

// The picture covers the whole window, frame included, so it is drawn on the
// window's own DC, not on the client DC that comes with the message.
BOOL CKorvaneDlg::OnEraseBkgnd(HDC) {
    CSkinBitmap picture;
    picture.LoadBitmap(IDB_BACKGROUND);
    WindowDC window(m_hWnd, WindowDC::Whole);
    picture.Draw(window.Get(), 0, 0);
    return TRUE;
}

// One WM_PAINT drawn off-screen and copied in a single blit, so a control
// never flickers. Only the paint DC is touched, which keeps drawing inside the
// client area and inside any window region.
#pragma once

#include <windows.h>

namespace skinctl {

class BufferedPaint {
public:
    explicit BufferedPaint(HWND hwnd);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;

    // Where to draw: the off-screen bitmap, or the paint DC itself when no
    // bitmap could be made.
    HDC Dc() const { return m_memDc ? m_memDc : m_paint.hdc; }
    const RECT& Client() const { return m_client; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint;
    RECT m_client;
    HDC m_memDc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
};

}  // namespace skinctl

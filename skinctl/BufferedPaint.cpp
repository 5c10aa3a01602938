#include "skinctl/BufferedPaint.h"

namespace skinctl {

BufferedPaint::BufferedPaint(HWND hwnd) : m_hwnd(hwnd) {
    BeginPaint(hwnd, &m_paint);
    GetClientRect(hwnd, &m_client);
    const int width = m_client.right - m_client.left, height = m_client.bottom - m_client.top;
    if (m_paint.hdc == nullptr || width <= 0 || height <= 0) return;
    m_memDc = CreateCompatibleDC(m_paint.hdc);
    if (m_memDc) m_bitmap = CreateCompatibleBitmap(m_paint.hdc, width, height);
    if (m_bitmap) {
        m_oldBitmap = SelectObject(m_memDc, m_bitmap);
    } else if (m_memDc) {
        DeleteDC(m_memDc);
        m_memDc = nullptr;
    }
}

BufferedPaint::~BufferedPaint() {
    if (m_memDc) {
        BitBlt(m_paint.hdc, 0, 0, m_client.right, m_client.bottom, m_memDc, 0, 0, SRCCOPY);
        SelectObject(m_memDc, m_oldBitmap);
        DeleteObject(m_bitmap);
        DeleteDC(m_memDc);
    }
    EndPaint(m_hwnd, &m_paint);
}

}  // namespace skinctl

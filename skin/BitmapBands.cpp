#include "skin/BitmapBands.h"

#include <new>

namespace {

const LONG kBandBytes = 64 * 1024;

}  // namespace

BitmapBands::BitmapBands(HBITMAP source) : m_source(source), m_dc(nullptr) {
    BITMAP info = {};
    if (!source || !m_dc || !GetObjectA(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    m_width = info.bmWidth;
    m_height = info.bmHeight;
    m_bandRows = kBandBytes / (4 * m_width);
    if (m_bandRows < 1) m_bandRows = 1;  // a very wide picture: a row at a time
    if (m_bandRows > m_height) m_bandRows = m_height;
    m_band.reset(new (std::nothrow) uint8_t[static_cast<size_t>(m_bandRows) * Stride()]);
}

const uint8_t* BitmapBands::Load(LONG top, LONG rows) {
    if (!m_band || top < 0 || rows <= 0 || rows > m_bandRows || top > m_height - rows) return nullptr;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = m_width;
    format.bmiHeader.biHeight = m_height;  // bottom-up: scan line 0 is the picture's last row
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const UINT first = static_cast<UINT>(m_height - top - rows);
    if (GetDIBits(m_dc.Get(), m_source, first, static_cast<UINT>(rows), m_band.get(), &format, DIB_RGB_COLORS) !=
        rows)
        return nullptr;
    return m_band.get();
}

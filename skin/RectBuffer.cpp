#include "skin/RectBuffer.h"

static SIZE_T BytesFor(DWORD rects) {
    return sizeof(RGNDATAHEADER) + rects * sizeof(RECT);
}

RectBuffer::RectBuffer() {
    m_memory = GlobalAlloc(GMEM_MOVEABLE, BytesFor(kGrowth));
    if (!m_memory) return;
    m_data = static_cast<RGNDATA*>(GlobalLock(m_memory));
    if (!m_data) return;
    m_capacity = kGrowth;
    m_data->rdh.dwSize = sizeof(RGNDATAHEADER);
    m_data->rdh.iType = RDH_RECTANGLES;
    m_data->rdh.nRgnSize = 0;
    Empty();
}

RectBuffer::~RectBuffer() {
    if (m_data) GlobalUnlock(m_memory);
    if (m_memory) GlobalFree(m_memory);
}

bool RectBuffer::Grow() {
    GlobalUnlock(m_memory);
    m_data = nullptr;
    // On failure the old block stays valid and is freed with the buffer.
    HGLOBAL grown = GlobalReAlloc(m_memory, BytesFor(m_capacity + kGrowth), GMEM_MOVEABLE);
    if (grown) m_memory = grown;
    m_data = static_cast<RGNDATA*>(GlobalLock(m_memory));
    if (!grown || !m_data) return false;
    m_capacity += kGrowth;
    return true;
}

bool RectBuffer::Add(const skin::PixelRun& run) {
    if (!m_data || (m_data->rdh.nCount == m_capacity && !Grow())) return false;
    RGNDATAHEADER& h = m_data->rdh;
    SetRect(&Rects()[h.nCount], run.left, run.top, run.right, run.bottom);
    if (run.left < h.rcBound.left) h.rcBound.left = run.left;
    if (run.top < h.rcBound.top) h.rcBound.top = run.top;
    if (run.right > h.rcBound.right) h.rcBound.right = run.right;
    if (run.bottom > h.rcBound.bottom) h.rcBound.bottom = run.bottom;
    ++h.nCount;
    return true;
}

HRGN RectBuffer::MakeRegion() const {
    if (!m_data) return nullptr;
    return ExtCreateRegion(nullptr, static_cast<DWORD>(BytesFor(m_capacity)), m_data);
}

void RectBuffer::Empty() {
    if (!m_data) return;
    m_data->rdh.nCount = 0;
    SetRect(&m_data->rdh.rcBound, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0);
}

#include "skin/SkinBitmap.h"

#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"

BOOL CSkinBitmap::LoadBitmap(UINT resourceId) {
    m_bitmap.Reset(::LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId)));
    return m_bitmap ? TRUE : FALSE;
}

void CSkinBitmap::Draw(HDC target, int x, int y) {
    if (!m_bitmap || !target) return;
    BITMAP info = {};
    GetObjectA(m_bitmap.Get(), sizeof info, &info);
    // The picture's device size and origin in the target's logical units.
    POINT size = {info.bmWidth, info.bmHeight};
    DPtoLP(target, &size, 1);
    POINT origin = {0, 0};
    DPtoLP(target, &origin, 1);

    MemoryDC memory(target);
    if (!memory) return;
    SelectObjectScope selected(memory.Get(), m_bitmap.Get());
    SetMapMode(memory.Get(), GetMapMode(target));
    BitBlt(target, x, y, size.x, size.y, memory.Get(), origin.x, origin.y, SRCCOPY);
}

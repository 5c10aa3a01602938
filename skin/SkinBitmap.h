// A skin picture from the program's resources that draws itself 1:1 onto a
// device context, whatever that context's mapping mode.
#pragma once

#include <windows.h>

#include "framework/GdiObject.h"

class CSkinBitmap {
public:
    CSkinBitmap() = default;
    virtual ~CSkinBitmap() = default;
    CSkinBitmap(const CSkinBitmap&) = delete;
    CSkinBitmap& operator=(const CSkinBitmap&) = delete;

    BOOL LoadBitmap(UINT resourceId);
    HBITMAP Get() const { return m_bitmap.Get(); }

    virtual void Draw(HDC target, int x, int y);

private:
    UniqueBitmap m_bitmap;
};

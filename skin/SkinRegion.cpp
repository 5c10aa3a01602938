#include "skin/SkinRegion.h"

#include "framework/GdiObject.h"
#include "skin/BitmapToRegion.h"

HRGN RegionFromSkinBitmap(UINT bitmapId, uint32_t colour, uint32_t tolerance) {
    UniqueBitmap bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId)));
    return BitmapToRegion(bitmap.Get(), colour, tolerance);
}

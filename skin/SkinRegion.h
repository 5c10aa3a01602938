// A region traced from one of the program's skin bitmaps (see
// BitmapToRegion for colour and tolerance). The bitmap is loaded and freed
// here; the caller owns the region. Null when either fails.
#pragma once

#include <windows.h>
#include <stdint.h>

HRGN RegionFromSkinBitmap(UINT bitmapId, uint32_t colour, uint32_t tolerance);

// Traces a bitmap into a window region: pixels whose three colour bytes lie
// in [colour, colour + tolerance] per channel are left out, all others form
// the region. colour and tolerance read 0x00RRGGBB, like a 32-bit DIB pixel,
// not like a COLORREF. The caller keeps the bitmap and owns the region
// returned; null means no region.
#pragma once

#include <windows.h>
#include <stdint.h>

HRGN BitmapToRegion(HBITMAP source, uint32_t colour, uint32_t tolerance);

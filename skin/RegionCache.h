// The skin's outlines, traced once and handed out as copies. The console sets
// its outline anew at every paint and the window takes each region it is
// given, so every paint needs a region of its own; a copy costs far less than
// tracing the bitmap again, and gives the same region.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "framework/GdiObject.h"

class CRegionCache {
public:
    using Builder = HRGN (*)(UINT bitmapId, uint32_t colour, uint32_t tolerance);

    explicit CRegionCache(Builder build);
    CRegionCache(const CRegionCache&) = delete;
    CRegionCache& operator=(const CRegionCache&) = delete;

    // A new region equal to the one traced from the bitmap with this colour
    // and tolerance; the caller owns it. Null when tracing fails (a failure
    // is not kept, the next call traces again).
    HRGN Copy(UINT bitmapId, uint32_t colour, uint32_t tolerance);

private:
    struct Entry {
        UINT bitmapId = 0;
        uint32_t colour = 0;
        uint32_t tolerance = 0;
        UniqueRegion region;
    };
    enum { kEntries = 4 };  // the console uses three: two outlines, the animation

    Builder m_build;
    Entry m_entries[kEntries];
    int m_used = 0;
};

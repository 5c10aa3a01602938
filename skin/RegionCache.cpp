#include "skin/RegionCache.h"

#include <utility>

CRegionCache::CRegionCache(Builder build) : m_build(build) {}

HRGN CRegionCache::Copy(UINT bitmapId, uint32_t colour, uint32_t tolerance) {
    Entry* entry = nullptr;
    for (int i = 0; i < m_used && !entry; ++i) {
        Entry& e = m_entries[i];
        if (e.bitmapId == bitmapId && e.colour == colour && e.tolerance == tolerance) entry = &e;
    }
    UniqueRegion traced;
    if (!entry) {
        traced.Reset(m_build(bitmapId, colour, tolerance));
        if (!traced) return nullptr;
        // Full: hand out the traced region itself, keeping nothing.
        if (m_used == kEntries) return traced.Detach();
        entry = &m_entries[m_used++];
        entry->bitmapId = bitmapId;
        entry->colour = colour;
        entry->tolerance = tolerance;
        entry->region = std::move(traced);
    }
    UniqueRegion copy(CreateRectRgn(0, 0, 0, 0));
    if (!copy || CombineRgn(copy.Get(), entry->region.Get(), nullptr, RGN_COPY) == ERROR) return nullptr;
    return copy.Detach();
}

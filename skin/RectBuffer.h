// The rectangle list that becomes one region: an RGNDATA record in movable
// global memory, room for 100 rectangles at first, grown by 100 at a time and
// never shrunk. The console turns it into a region every 2000 rectangles, so
// it never holds more.
#pragma once

#include <windows.h>

#include "skin/RegionScan.h"

class RectBuffer {
public:
    static const DWORD kGrowth = 100;
    static const DWORD kBatch = 2000;

    RectBuffer();
    ~RectBuffer();
    RectBuffer(const RectBuffer&) = delete;
    RectBuffer& operator=(const RectBuffer&) = delete;

    bool IsValid() const { return m_data != nullptr; }
    DWORD Count() const { return m_data ? m_data->rdh.nCount : 0; }
    DWORD Capacity() const { return m_capacity; }

    // Appends one rectangle, growing the buffer when it is full; false when
    // the memory could not be had (the buffer is then unusable).
    bool Add(const skin::PixelRun& run);
    // A region of the rectangles held (without area when there are none), or null.
    HRGN MakeRegion() const;
    // Forgets the rectangles; the capacity stays.
    void Empty();

private:
    bool Grow();
    RECT* Rects() const { return reinterpret_cast<RECT*>(m_data->Buffer); }

    HGLOBAL m_memory = nullptr;
    RGNDATA* m_data = nullptr;  // m_memory, locked
    DWORD m_capacity = 0;
};

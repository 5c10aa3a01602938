// A bitmap's pixels as 32-bit bottom-up rows that can be read straight from
// memory, a band of rows at a time into one small buffer. Copying the whole
// picture into a DIB section of its size costs far more (a context to blit
// from, a fresh section at every tracing) than asking for the rows.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <memory>

#include "framework/MemoryDC.h"

class BitmapBands {
public:
    // The source stays the caller's and is never selected into a context.
    explicit BitmapBands(HBITMAP source);
    BitmapBands(const BitmapBands&) = delete;
    BitmapBands& operator=(const BitmapBands&) = delete;

    bool IsValid() const { return m_band != nullptr; }
    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }
    LONG BandRows() const { return m_bandRows; }
    LONG Stride() const { return 4 * m_width; }

    // The picture's rows [top, top + rows) (rows counted from the top, at
    // most BandRows()), bottom-up: the first row in memory is row
    // top + rows - 1. Null when they can't be read.
    const uint8_t* Load(LONG top, LONG rows);

private:
    HBITMAP m_source;
    LONG m_width = 0, m_height = 0, m_bandRows = 0;
    MemoryDC m_dc;
    std::unique_ptr<uint8_t[]> m_band;
};

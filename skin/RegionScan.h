// The pure part of tracing a bitmap into a region: which pixels are
// transparent, and the runs of the others, row by row. No Windows here, so the
// scan is unit-tested natively.
#pragma once

#include <stdint.h>
#include <string.h>

namespace skin {

// Per channel, the byte range [low, high] that counts as transparent. Colour
// and tolerance are laid out like a 32-bit DIB pixel (0x00RRGGBB: the low
// byte bounds the first byte in memory, which is blue); their top bytes play
// no part. The tolerance only widens upward, capped at 255.
class ChannelRanges {
public:
    ChannelRanges(uint32_t colour, uint32_t tolerance);

    // pixel: the four bytes of one pixel in memory order; the fourth is ignored.
    bool IsTransparent(const uint8_t* pixel) const {
        for (int k = 0; k < 3; ++k) {
            if (pixel[k] < m_low[k] || pixel[k] > m_high[k]) return false;
        }
        return true;
    }

private:
    uint8_t m_low[3];
    uint8_t m_high[3];
};

// One pixel high, right and bottom exclusive, y from the top of the image.
struct PixelRun {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The first x in [from, width) whose pixel (all four bytes, read as one
// native word) differs from `pixel`, or width. Outlines are long stretches
// of one colour, so this is where the scan spends its time: it compares up to
// 64 pixels at a time.
int32_t SkipSamePixels(const uint8_t* row, int32_t from, int32_t width, uint32_t pixel);

// Visits a bottom-up 32-bit image (the first row in memory is the bottom row)
// from the top row down and hands each maximal run of non-transparent pixels
// within a row, left to right, to add(run). Runs of neighbouring rows are
// never merged. add returns false to stop the scan (false is then returned).
// Each pixel is classified once per stretch of equal pixels; the stretch
// takes its first pixel's side.
template <class AddRun>
bool ScanRuns(const uint8_t* bits, int32_t width, int32_t height, int32_t stride, const ChannelRanges& ranges,
              AddRun&& add) {
    if (!bits || width <= 0 || height <= 0) return true;
    const uint8_t* row = bits + static_cast<intptr_t>(height - 1) * stride;
    for (int32_t y = 0; y < height; ++y, row -= stride) {
        int32_t runStart = -1;
        for (int32_t x = 0; x < width;) {
            const uint8_t* at = row + 4 * x;
            uint32_t pixel;
            memcpy(&pixel, at, 4);
            const bool transparent = ranges.IsTransparent(at);
            if (!transparent && runStart < 0) runStart = x;
            if (transparent && runStart >= 0) {
                if (!add(PixelRun{runStart, y, x, y + 1})) return false;
                runStart = -1;
            }
            x = SkipSamePixels(row, x + 1, width, pixel);
        }
        if (runStart >= 0 && !add(PixelRun{runStart, y, width, y + 1})) return false;
    }
    return true;
}

}  // namespace skin

// The pure part of tracing a bitmap into a region: which pixels are
// transparent, and the runs of the others, row by row. No Windows here, so the
// scan is unit-tested natively.
#pragma once

#include <stdint.h>

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

// Visits a bottom-up 32-bit image (the first row in memory is the bottom row)
// from the top row down and hands each maximal run of non-transparent pixels
// within a row, left to right, to add(run). Runs of neighbouring rows are
// never merged. add returns false to stop the scan (false is then returned).
template <class AddRun>
bool ScanRuns(const uint8_t* bits, int32_t width, int32_t height, int32_t stride, const ChannelRanges& ranges,
              AddRun&& add) {
    if (!bits || width <= 0 || height <= 0) return true;
    const uint8_t* row = bits + static_cast<intptr_t>(height - 1) * stride;
    for (int32_t y = 0; y < height; ++y, row -= stride) {
        int32_t x = 0;
        while (x < width) {
            const int32_t x0 = x;
            while (x < width && !ranges.IsTransparent(row + 4 * x)) ++x;
            if (x > x0 && !add(PixelRun{x0, y, x, y + 1})) return false;
            ++x;  // past the transparent pixel that ended the run
        }
    }
    return true;
}

}  // namespace skin

#include "skin/RegionScan.h"

#include <string.h>

namespace skin {

ChannelRanges::ChannelRanges(uint32_t colour, uint32_t tolerance) {
    for (int k = 0; k < 3; ++k) {
        const unsigned low = (colour >> (8 * k)) & 0xFFu;
        const unsigned high = low + ((tolerance >> (8 * k)) & 0xFFu);  // at most 510
        m_low[k] = static_cast<uint8_t>(low);
        m_high[k] = static_cast<uint8_t>(high > 255u ? 255u : high);
    }
}

namespace {

uint32_t PixelAt(const uint8_t* row, int32_t x) {
    uint32_t value;
    memcpy(&value, row + 4 * x, 4);
    return value;
}

}  // namespace

int32_t SkipSamePixels(const uint8_t* row, int32_t from, int32_t width, uint32_t pixel) {
    int32_t x = from;
#if defined(__GNUC__) && defined(__SSE2__)
    // 32 pixels at a time, any difference ORed together in a tree (not a
    // chain, so the loads need not wait on each other).
    typedef uint64_t Lanes __attribute__((vector_size(16)));
    const uint64_t pair = uint64_t(pixel) << 32 | pixel;
    const Lanes same = {pair, pair};
    for (; x + 32 <= width; x += 32) {
        Lanes v[8];
        memcpy(v, row + 4 * x, sizeof v);
        const Lanes diff = (((v[0] ^ same) | (v[1] ^ same)) | ((v[2] ^ same) | (v[3] ^ same))) |
                           (((v[4] ^ same) | (v[5] ^ same)) | ((v[6] ^ same) | (v[7] ^ same)));
        if ((diff[0] | diff[1]) != 0) break;
    }
    // Near the end of the stretch, or of the row: four at a time.
    for (; x + 4 <= width; x += 4) {
        Lanes v;
        memcpy(&v, row + 4 * x, sizeof v);
        const Lanes diff = v ^ same;
        if ((diff[0] | diff[1]) != 0) break;
    }
#else
    // Plain words, four pixels a step.
    for (; x + 4 <= width; x += 4) {
        if (((PixelAt(row, x) ^ pixel) | (PixelAt(row, x + 1) ^ pixel) | (PixelAt(row, x + 2) ^ pixel) |
             (PixelAt(row, x + 3) ^ pixel)) != 0)
            break;
    }
#endif
    while (x < width && PixelAt(row, x) == pixel) ++x;
    return x;
}

}  // namespace skin

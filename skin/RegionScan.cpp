#include "skin/RegionScan.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
#if defined(__SSE2__)
    // 64 pixels a step, then 16, then 4: the differences of each step are
    // ORed together in a tree (not a chain, so the loads need not wait on
    // each other) and tested once, as one branch per step is what costs.
    const __m128i same = _mm_set1_epi32(static_cast<int>(pixel));
    auto four = [&](int32_t at) {
        return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * at)), same);
    };
    auto sixteen = [&](int32_t at) {
        return _mm_or_si128(_mm_or_si128(four(at), four(at + 4)), _mm_or_si128(four(at + 8), four(at + 12)));
    };
    auto none = [](__m128i diff) { return _mm_movemask_epi8(_mm_cmpeq_epi8(diff, _mm_setzero_si128())) == 0xFFFF; };
    while (x + 64 <= width &&
           none(_mm_or_si128(_mm_or_si128(sixteen(x), sixteen(x + 16)), _mm_or_si128(sixteen(x + 32), sixteen(x + 48)))))
        x += 64;
    while (x + 16 <= width && none(sixteen(x))) x += 16;
    while (x + 4 <= width && none(four(x))) x += 4;
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

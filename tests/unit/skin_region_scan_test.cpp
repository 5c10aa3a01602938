#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "skin/RegionScan.h"

using skin::ChannelRanges;
using skin::PixelRun;

namespace {

// Every run the scan reports.
std::vector<PixelRun> Runs(const uint8_t* bits, int width, int height, int stride, const ChannelRanges& ranges) {
    std::vector<PixelRun> runs;
    EXPECT_TRUE(skin::ScanRuns(bits, width, height, stride, ranges, [&](const PixelRun& r) {
        runs.push_back(r);
        return true;
    })) << "a scan that was never refused reported it was";
    return runs;
}

// A bottom-up 32-bit image as the region builder's working copy holds it.
// Pixels are given top row first, as 0x00RRGGBB; memory order is B, G, R, X.
class Image {
public:
    Image(int width, int height, uint32_t fill = 0) : m_w(width), m_h(height), m_bits(width * height * 4) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, fill);
    }
    void Set(int x, int y, uint32_t rgb, uint8_t reserved = 0) {
        uint8_t* p = &m_bits[((m_h - 1 - y) * m_w + x) * 4];
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
        p[3] = reserved;
    }
    std::vector<PixelRun> Runs(const ChannelRanges& ranges) const {
        return ::Runs(m_bits.data(), m_w, m_h, m_w * 4, ranges);
    }

private:
    int m_w, m_h;
    std::vector<uint8_t> m_bits;
};

bool Transparent(uint32_t colour, uint32_t tolerance, uint32_t rgb, uint8_t reserved = 0) {
    const uint8_t pixel[4] = {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), reserved};
    return ChannelRanges(colour, tolerance).IsTransparent(pixel);
}

}  // namespace

namespace skin {
bool operator==(const PixelRun& a, const PixelRun& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const PixelRun& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
}  // namespace skin

TEST(SkinChannelRanges, ToleranceWidensOnlyUpwardAndIsCappedAt255) {
    // 0x10 + 0x10: 0x10 to 0x20, nothing below the colour.
    EXPECT_TRUE(Transparent(0x101010, 0x101010, 0x101010));
    EXPECT_TRUE(Transparent(0x101010, 0x101010, 0x202020));
    EXPECT_FALSE(Transparent(0x101010, 0x101010, 0x212020));
    EXPECT_FALSE(Transparent(0x101010, 0x101010, 0x0F1010));
    EXPECT_FALSE(Transparent(0x101010, 0x101010, 0x000000));
    // 0xF0 + 0x20 would wrap to 0x10 in a byte: capped at 0xFF instead.
    EXPECT_TRUE(Transparent(0xF0F0F0, 0x202020, 0xFFFFFF));
    EXPECT_TRUE(Transparent(0xF0F0F0, 0x202020, 0xF0F0F0));
    EXPECT_FALSE(Transparent(0xF0F0F0, 0x202020, 0xEFF0F0));
    // The painting's near-black: every channel at 0x10 or below.
    EXPECT_TRUE(Transparent(0, 0x101010, 0x100F01));
    EXPECT_FALSE(Transparent(0, 0x101010, 0x100F11));
}

TEST(SkinChannelRanges, TopBytesAndTheFourthPixelByteDoNotCount) {
    EXPECT_TRUE(Transparent(0xFFFFFFFF, 0, 0xFFFFFF));
    EXPECT_FALSE(Transparent(0xFFFFFFFF, 0, 0xFEFFFF));
    EXPECT_FALSE(Transparent(0, 0xFF000000, 0x000001));
    EXPECT_TRUE(Transparent(0, 0, 0, 0xAB));
}

TEST(SkinChannelRanges, LowByteBoundsBlueTheFirstByteInMemory) {
    EXPECT_TRUE(Transparent(0x0000FF, 0, 0x0000FF));   // pure blue: FF 00 00 in memory
    EXPECT_FALSE(Transparent(0x0000FF, 0, 0xFF0000));  // pure red
}

TEST(SkinScanRuns, OpaqueStretchesOfEachRowTopRowFirst) {
    Image opaque(5, 3, 0x808080), clear(4, 4, 0xFFFFFF), alternating(6, 2, 0), ends(3, 4, 0xFFFFFF);
    for (int x = 0; x < 6; x += 2) alternating.Set(x, 0, 0xFFFFFF);  // row 0: T O T O T O
    alternating.Set(0, 1, 0xFFFFFF);                                 // row 1: T O O O O O
    ends.Set(1, 0, 0);  // only the top row, which is the last row in memory
    ends.Set(2, 3, 0);  // only the bottom row, the first in memory
    const ChannelRanges white(0xFFFFFF, 0);
    EXPECT_EQ(opaque.Runs(ChannelRanges(0, 0)), (std::vector<PixelRun>{{0, 0, 5, 1}, {0, 1, 5, 2}, {0, 2, 5, 3}}));
    EXPECT_TRUE(clear.Runs(white).empty());
    // One by one, and reaching the right edge.
    EXPECT_EQ(alternating.Runs(white), (std::vector<PixelRun>{{1, 0, 2, 1}, {3, 0, 4, 1}, {5, 0, 6, 1}, {1, 1, 6, 2}}));
    EXPECT_EQ(ends.Runs(white), (std::vector<PixelRun>{{1, 0, 2, 1}, {2, 3, 3, 4}}));
}

TEST(SkinScanRuns, HonoursAPaddedStride) {
    // Two rows of 2 white pixels, each row padded to 16 bytes with opaque
    // garbage that must not be read as pixels.
    std::vector<uint8_t> bits(32, 0x77);
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 8; ++i) bits[row * 16 + i] = 0xFF;
    bits[16] = bits[17] = bits[18] = 0;  // top row (second in memory), left pixel black
    EXPECT_EQ(Runs(bits.data(), 2, 2, 16, ChannelRanges(0xFFFFFF, 0)), (std::vector<PixelRun>{{0, 0, 1, 1}}));
}

TEST(SkinScanRuns, StopsAtTheFirstRefusedRun) {
    std::vector<uint8_t> black(3 * 3 * 4, 0);
    int calls = 0;
    EXPECT_FALSE(skin::ScanRuns(black.data(), 3, 3, 12, ChannelRanges(0xFFFFFF, 0),
                                [&](const PixelRun&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

// The scan skips along stretches of equal pixels many at a time; whatever
// the widths and wherever a stretch ends (inside, on or just past a block),
// the runs must be the ones a pixel-by-pixel look gives. The exact-size
// buffers let the sanitizer catch any read past a row's last pixel.
TEST(SkinScanRuns, LongStretchesGiveThePixelByPixelRuns) {
    const ChannelRanges ranges(0x000000, 0x101010);
    const uint32_t colours[] = {0x000000, 0x0F0F10, 0x111111, 0xFFFFFF};  // two inside, two outside
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int width : {1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 97, 127, 128, 129, 300}) {
        const int height = 64;
        Image img(width, height);
        std::vector<std::vector<bool>> transparent(height, std::vector<bool>(width));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width;) {
                const int length = 1 + int(next() % 140);
                const uint32_t colour = colours[next() % 4];
                for (int end = std::min(width, x + length); x < end; ++x) {
                    // Now and then only the fourth byte differs: same side, new stretch.
                    img.Set(x, y, colour, next() % 16 == 0 ? 0x55 : 0);
                    transparent[y][x] = Transparent(0x000000, 0x101010, colour);
                }
            }
        std::vector<PixelRun> want;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (!transparent[y][x] && (x == 0 || transparent[y][x - 1])) {
                    int end = x;
                    while (end < width && !transparent[y][end]) ++end;
                    want.push_back(PixelRun{x, y, end, y + 1});
                }
        EXPECT_EQ(img.Runs(ranges), want) << "width " << width;
    }
}

// BitmapToRegion with real GDI: the kinds of bitmap the skin uses (1-bit with
// white at index 0, 8-bit grey, a screen-compatible colour bitmap), the batch
// boundary at 2000 rectangles, pictures read in several bands, and what it
// leaves behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/GdiObject.h"
#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "framework/WindowDC.h"
#include "skin/BitmapToRegion.h"

namespace {

// Pixels top row first; true where the bitmap is black.
using Mask = std::vector<std::vector<bool>>;

template <class Black>
Mask MakeMask(int w, int h, Black black) {
    Mask m(h, std::vector<bool>(w));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m[y][x] = black(x, y);
    return m;
}

// A bottom-up DIB section with a palette, as bitmap resources are stored,
// each pixel's colour index(x, y) counted from the top row.
// bitsPerPixel 1: index 0 white, 1 black; 8: a grey ramp, index = grey.
template <class Index>
HBITMAP PaletteBitmap(int bitsPerPixel, int w, int h, Index index) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = w;
    info.header.biHeight = h;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    const int colours = bitsPerPixel == 1 ? 2 : 256;
    info.header.biClrUsed = colours;
    for (int i = 0; i < colours; ++i) {
        BYTE grey = bitsPerPixel == 1 ? (i == 0 ? 255 : 0) : BYTE(i);
        info.colours[i] = RGBQUAD{grey, grey, grey, 0};
    }
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return nullptr;
    const int stride = ((w * bitsPerPixel + 31) / 32) * 4;
    auto* rows = static_cast<uint8_t*>(bits);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = rows + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint8_t i = uint8_t(index(x, y));
            if (bitsPerPixel == 8)
                row[x] = i;
            else if (i)
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return bmp;
}

HBITMAP MonoBitmap(const Mask& black) {
    return PaletteBitmap(1, int(black[0].size()), int(black.size()), [&](int x, int y) { return black[y][x]; });
}

// What the region covers, pixel by pixel, plus a margin around the bitmap.
std::string Describe(HRGN rgn, int w, int h, const Mask& expected) {
    std::string diffs;
    for (int y = -1; y <= h; ++y)
        for (int x = -1; x <= w; ++x) {
            bool want = y >= 0 && y < h && x >= 0 && x < w && expected[y][x];
            if (bool(PtInRegion(rgn, x, y)) != want && diffs.size() < 400)
                diffs += "(" + std::to_string(x) + "," + std::to_string(y) + (want ? " missing) " : " extra) ");
        }
    return diffs;
}

// Describe for the region traced from the bitmap ("" when it covers exactly `expected`).
std::string Traced(HBITMAP bmp, uint32_t colour, uint32_t tolerance, const Mask& expected) {
    UniqueRegion rgn(BitmapToRegion(bmp, colour, tolerance));
    if (!rgn) return "no region";
    return Describe(rgn.Get(), int(expected[0].size()), int(expected.size()), expected);
}

DWORD RectCount(HRGN rgn) {
    DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<char> data(size);
    if (!size || !GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(data.data()))) return 0;
    return reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount;
}

}  // namespace

TEST(BitmapToRegion, NullBitmapGivesNull) {
    EXPECT_EQ(BitmapToRegion(nullptr, 0, 0), nullptr);
}

TEST(BitmapToRegion, OneBitSkinBitmapBlackOrWhiteIsLeftOut) {
    // A ring: black outside, white inside, with a black hole in the middle.
    const int w = 23, h = 17;
    const Mask black = MakeMask(w, h, [](int x, int y) {
        bool outside = x < 3 || y < 2 || x >= 20 || y >= 15 || (x < 6 && y < 5);
        bool hole = x >= 10 && x < 13 && y >= 7 && y < 10;
        return outside || hole;
    });
    UniqueBitmap bmp(MonoBitmap(black));
    ASSERT_TRUE(bmp);

    // Outline bitmaps: black is outside (colour 0, tolerance 0).
    Mask white = black;
    for (auto& row : white) row.flip();
    EXPECT_EQ(Traced(bmp.Get(), 0x000000, 0, white), "");
    // Animation and hot-area bitmaps: white is outside.
    EXPECT_EQ(Traced(bmp.Get(), 0x00FFFFFF, 0, black), "");
    // The top byte of colour and tolerance does not count.
    EXPECT_EQ(Traced(bmp.Get(), 0xFFFFFFFF, 0xFF000000, black), "");
}

TEST(BitmapToRegion, NearBlackIsOutsideOnlyWithTheTolerance) {
    // 8-bit grey, as the full outline is stored: 0 outside, 255 inside, and
    // a few greys at and just above 0x10.
    const int w = 8, h = 2;
    std::vector<std::vector<uint8_t>> grey = {{0, 255, 0x01, 0x10, 0x11, 255, 0x08, 0},
                                              {255, 255, 255, 255, 255, 255, 255, 255}};
    UniqueBitmap bmp(PaletteBitmap(8, w, h, [&](int x, int y) { return grey[y][x]; }));
    ASSERT_TRUE(bmp);

    auto inside = [&](uint8_t limit) { return MakeMask(w, h, [&](int x, int y) { return grey[y][x] > limit; }); };
    EXPECT_EQ(Traced(bmp.Get(), 0, 0, inside(0x00)), "");
    EXPECT_EQ(Traced(bmp.Get(), 0, 0x00101010, inside(0x10)), "");
}

TEST(BitmapToRegion, ColourBitmapChannelOrderIsBlueInTheLowByte) {
    // A screen-compatible bitmap, filled through GDI with COLORREFs.
    UniqueBitmap bmp(CreateCompatibleBitmap(WindowDC(nullptr).Get(), 4, 1));
    ASSERT_TRUE(bmp);
    {
        MemoryDC dc(nullptr);
        SelectObjectScope selected(dc.Get(), bmp.Get());
        SetPixel(dc.Get(), 0, 0, RGB(0, 0, 255));  // blue
        SetPixel(dc.Get(), 1, 0, RGB(255, 0, 0));  // red
        SetPixel(dc.Get(), 2, 0, RGB(0, 0, 255));
        SetPixel(dc.Get(), 3, 0, RGB(0, 255, 0));  // green
    }

    EXPECT_EQ(Traced(bmp.Get(), 0x000000FF, 0, Mask{{false, true, false, true}}), "");  // not blue
}

TEST(BitmapToRegion, AllTransparentGivesARegionWithoutAreaAndNoneTransparentTheWholeRectangle) {
    const Mask allWhite = MakeMask(30, 20, [](int, int) { return false; });
    UniqueBitmap white(MonoBitmap(allWhite));
    ASSERT_TRUE(white);

    UniqueRegion empty(BitmapToRegion(white.Get(), 0x00FFFFFF, 0));
    ASSERT_TRUE(empty);
    RECT box;
    EXPECT_EQ(GetRgnBox(empty.Get(), &box), NULLREGION);

    UniqueRegion full(BitmapToRegion(white.Get(), 0, 0));
    ASSERT_TRUE(full);
    EXPECT_EQ(GetRgnBox(full.Get(), &box), SIMPLEREGION);
    const RECT whole = {0, 0, 30, 20};
    EXPECT_TRUE(EqualRect(&box, &whole));
}

TEST(BitmapToRegion, BatchesOf2000RectanglesJoinIntoOneRegion) {
    // One row with every other pixel black: width 2n gives n one-pixel runs.
    for (int runs : {1999, 2000, 2001, 4001}) {
        const int w = 2 * runs, h = 2;
        const Mask black = MakeMask(w, h, [](int x, int y) { return y == 0 && x % 2 == 1; });
        UniqueBitmap bmp(MonoBitmap(black));
        ASSERT_TRUE(bmp) << runs;
        UniqueRegion rgn(BitmapToRegion(bmp.Get(), 0x00FFFFFF, 0));
        ASSERT_TRUE(rgn) << runs;
        EXPECT_EQ(RectCount(rgn.Get()), DWORD(runs)) << runs;
        EXPECT_EQ(Describe(rgn.Get(), w, h, black), "") << runs;
    }
}

TEST(BitmapToRegion, TallAndWidePicturesAreReadInBandsWithoutSeams) {
    // The picture is read some rows at a time; every row here differs from
    // its neighbours, so a band read one row off, or a row lost between two
    // bands, shows. The wide one takes a band per row.
    const struct { int w, h; } sizes[] = {{37, 1000}, {17000, 3}};
    for (const auto& size : sizes) {
        const Mask black = MakeMask(size.w, size.h, [](int x, int y) { return (x + 3 * y) % 7 < 3; });
        UniqueBitmap bmp(MonoBitmap(black));
        ASSERT_TRUE(bmp) << size.w;
        EXPECT_EQ(Traced(bmp.Get(), 0x00FFFFFF, 0, black), "") << size.w << " x " << size.h;
    }
}

TEST(BitmapToRegion, LeavesTheSourceUnselectedAndTheCallerItsOwner) {
    const Mask black = MakeMask(10, 10, [](int x, int y) { return x == y; });
    HBITMAP bmp = MonoBitmap(black);
    ASSERT_NE(bmp, nullptr);
    for (int i = 0; i < 3; ++i) {
        HRGN rgn = BitmapToRegion(bmp, 0x00FFFFFF, 0);
        ASSERT_NE(rgn, nullptr);
        DeleteObject(rgn);
    }
    // A bitmap still selected into a DC could not be selected into another.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    EXPECT_NE(old, nullptr);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bmp));
}

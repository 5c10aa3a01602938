// How long tracing the console's outline takes, against two baselines
// measured in the same run: asking GDI for every pixel and joining every run
// into the region at once, and one ExtCreateRegion of exactly the rectangles
// the trace produces, already in a buffer (the platform's own floor). Prints
// one line per figure, medians of several repeats; asserts nothing.
//   skin_region_bench [KORVANE.EXE [REPEATS]]
// With the program's path, its full outline (bitmap 130) is traced; without,
// a picture of the same kind drawn here.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "framework/WindowDC.h"
#include "skin/BitmapBands.h"
#include "skin/BitmapToRegion.h"
#include "skin/RegionScan.h"
#include "tests/common/Median.h"

namespace {

// The full outline's kind of picture: a 300 x 255 black-and-white shape.
HBITMAP OutlineLike() {
    HBITMAP bmp = CreateCompatibleBitmap(WindowDC(nullptr).Get(), 300, 255);
    MemoryDC memory(nullptr);
    const HDC dc = memory.Get();
    SelectObjectScope selected(dc, bmp);
    PatBlt(dc, 0, 0, 300, 255, BLACKNESS);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 3, 3, 297, 350);
    Rectangle(dc, 42, 150, 258, 244);
    RoundRect(dc, 95, 200, 205, 256, 14, 14);
    return bmp;
}

// One GetPixel per pixel and one CombineRgn per run.
HRGN Naive(HBITMAP bmp) {
    MemoryDC memory(nullptr);
    const HDC dc = memory.Get();
    SelectObjectScope selected(dc, bmp);
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < 255; ++y) {
        int x = 0;
        while (x < 300) {
            int x0 = x;
            while (x < 300 && (GetPixel(dc, x, y) & 0xFFFFFF) != 0) ++x;
            if (x > x0) {
                HRGN run = CreateRectRgn(x0, y, x, y + 1);
                CombineRgn(result, result, run, RGN_OR);
                DeleteObject(run);
            }
            ++x;
        }
    }
    return result;
}

// The picture as 32-bit bottom-up pixels, in one piece.
std::vector<uint8_t> Pixels(HBITMAP bmp, LONG* width, LONG* height) {
    BITMAP info = {};
    GetObjectA(bmp, sizeof info, &info);
    BITMAPINFOHEADER header = {sizeof header, info.bmWidth, info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight * 4);
    GetDIBits(MemoryDC(nullptr).Get(), bmp, 0, info.bmHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    *width = info.bmWidth;
    *height = info.bmHeight;
    return pixels;
}

// The rectangles the trace makes of the pixels, in the record ExtCreateRegion takes.
std::vector<char> TraceRecord(const std::vector<uint8_t>& pixels, LONG width, LONG height) {
    std::vector<RECT> rects;
    skin::ScanRuns(pixels.data(), width, height, width * 4, skin::ChannelRanges(0, 0),
                   [&](const skin::PixelRun& r) {
                       rects.push_back(RECT{r.left, r.top, r.right, r.bottom});
                       return true;
                   });
    std::vector<char> record(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATA* data = reinterpret_cast<RGNDATA*>(record.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    SetRect(&data->rdh.rcBound, 0, 0, width, height);
    std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
    return record;
}

// The builder's copying on its own: every band of the picture read once.
bool CopyAllBands(HBITMAP bmp) {
    BitmapBands bands(bmp);
    for (LONG top = 0; bands.IsValid() && top < bands.Height(); top += bands.BandRows()) {
        const LONG rows = std::min(bands.BandRows(), bands.Height() - top);
        if (!bands.Load(top, rows)) return false;
    }
    return bands.IsValid();
}

double Now() {
    LARGE_INTEGER freq, t;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(freq.QuadPart);
}

// One call's milliseconds, the region it made freed with it.
template <class F>
double TimeMs(F f) {
    const double t0 = Now();
    DeleteObject(f());
    return Now() - t0;
}

template <class F>
double MedianMs(int repeats, F f) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) times.push_back(TimeMs(f));
    return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
    HMODULE program = argc > 1 ? LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr;
    if (argc > 1 && !program) {
        fprintf(stderr, "skin_region_bench: cannot open %s\n", argv[1]);
        return 1;
    }
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 21;
    HBITMAP bmp = program ? LoadBitmapA(program, MAKEINTRESOURCEA(130)) : OutlineLike();
    if (!bmp) {
        fprintf(stderr, "skin_region_bench: no outline bitmap\n");
        return 1;
    }
    const char* what = program ? "outline 130" : "drawn outline";
    LONG width = 0, height = 0;
    const std::vector<uint8_t> pixels = Pixels(bmp, &width, &height);
    const std::vector<char> record = TraceRecord(pixels, width, height);
    const RGNDATA* data = reinterpret_cast<const RGNDATA*>(record.data());
    HRGN a = BitmapToRegion(bmp, 0, 0), b = Naive(bmp),
         c = ExtCreateRegion(nullptr, static_cast<DWORD>(record.size()), data);
    const bool same = a && b && c && EqualRgn(a, b) && EqualRgn(a, c);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(c);
    if (!same) {
        fprintf(stderr, "skin_region_bench: the three ways give different regions\n");
        return 1;
    }
    // Ours and the floor taken in turns, so that a busy moment of the
    // machine falls on both alike.
    std::vector<double> ourTimes, floorTimes;
    for (int i = 0; i < repeats; ++i) {
        ourTimes.push_back(TimeMs([&] { return BitmapToRegion(bmp, 0, 0); }));
        floorTimes.push_back(
            TimeMs([&] { return ExtCreateRegion(nullptr, static_cast<DWORD>(record.size()), data); }));
    }
    const double ours = Median(ourTimes), floor = Median(floorTimes);
    const double naive = MedianMs(std::max(3, repeats / 4), [&] { return Naive(bmp); });
    printf("bench region-vs-getpixel: %.3fx (%.3f ms vs %.3f ms, %s, median of %d)\n", ours / naive, ours, naive,
           what, repeats);
    printf("bench region-vs-extcreateregion: %.2fx (%.3f ms vs %.3f ms, %lu rectangles, median of %d)\n",
           ours / floor, ours, floor, static_cast<unsigned long>(data->rdh.nCount), repeats);
    const double copying = MedianMs(repeats, [&] {
        CopyAllBands(bmp);
        return HRGN(nullptr);
    });
    const double scanning = MedianMs(repeats, [&] {
        skin::ScanRuns(pixels.data(), width, height, width * 4, skin::ChannelRanges(0, 0),
                       [](const skin::PixelRun&) { return true; });
        return HRGN(nullptr);
    });
    printf("note region-vs-extcreateregion: reading the picture as 32-bit rows %.3f ms, scanning them %.3f ms,"
           " the region from the rectangles (the baseline) the rest\n",
           copying, scanning);
    DeleteObject(bmp);
    if (program) FreeLibrary(program);
    return 0;
}

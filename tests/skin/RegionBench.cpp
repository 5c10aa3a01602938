// How long tracing the console's outline takes, against a baseline that asks
// GDI for every pixel and joins every run into the region at once. Prints
// times and their ratio, measured in the same run; asserts nothing.
//   skin_region_bench [REPEATS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "skin/BitmapToRegion.h"

namespace {

// The full outline's kind of picture: a 300 x 255 black-and-white shape.
HBITMAP OutlineLike() {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 300, 255);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    PatBlt(dc, 0, 0, 300, 255, BLACKNESS);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 3, 3, 297, 350);
    Rectangle(dc, 42, 150, 258, 244);
    RoundRect(dc, 95, 200, 205, 256, 14, 14);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bmp;
}

// One GetPixel per pixel and one CombineRgn per run.
HRGN Naive(HBITMAP bmp) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
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
    SelectObject(dc, old);
    DeleteDC(dc);
    return result;
}

template <class F>
double Milliseconds(int repeats, F f) {
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < repeats; ++i) DeleteObject(f());
    QueryPerformanceCounter(&t1);
    return 1000.0 * double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart) / repeats;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? atoi(argv[1]) : 20;
    HBITMAP bmp = OutlineLike();
    HRGN a = BitmapToRegion(bmp, 0, 0), b = Naive(bmp);
    const bool same = EqualRgn(a, b) != FALSE;
    DeleteObject(a);
    DeleteObject(b);
    const double fast = Milliseconds(repeats, [&] { return BitmapToRegion(bmp, 0, 0); });
    const double naive = Milliseconds(repeats < 4 ? 1 : repeats / 4, [&] { return Naive(bmp); });
    printf(
        "300 x 255 outline, %d repeats: BitmapToRegion %.2f ms, per-pixel baseline %.2f ms, "
        "ratio %.1fx faster; same region: %s\n",
        repeats, fast, naive, naive / fast, same ? "yes" : "NO");
    DeleteObject(bmp);
    return same ? 0 : 1;
}

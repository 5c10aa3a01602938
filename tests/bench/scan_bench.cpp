// The pixel scan of the region builder against memcpy of the same bytes, on
// the host, natively and optimised (tools/bench.sh builds it with -O2):
//   scan_bench OUTLINE.bmp [ROUNDS]
// OUTLINE.bmp is the full form's outline (8-bit grey); it is spread into the
// 32-bit bottom-up pixels the builder reads, as the program's copy holds them.
#include <stdint.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "skin/RegionScan.h"
#include "tests/common/Median.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// 8-bit palettised, bottom-up BMP to 32-bit bottom-up pixels; false otherwise.
bool Load(const char* path, std::vector<uint8_t>* pixels, int* width, int* height) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t offBits = U32(b, 10), infoSize = U32(b, 14);
    const int32_t w = static_cast<int32_t>(U32(b, 18)), h = static_cast<int32_t>(U32(b, 22));
    const int bpp = b[28] | b[29] << 8;
    uint32_t colours = U32(b, 46);
    if (colours == 0) colours = 256;
    if (bpp != 8 || w <= 0 || h <= 0 || 14 + infoSize + 4 * colours > b.size()) return false;
    const size_t rowBytes = (static_cast<size_t>(w) + 3) & ~size_t(3);
    if (offBits + rowBytes * h > b.size()) return false;
    pixels->assign(static_cast<size_t>(w) * h * 4, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t index = b[offBits + y * rowBytes + x];
            const size_t entry = 14 + infoSize + 4 * size_t(index);
            memcpy(&(*pixels)[(static_cast<size_t>(y) * w + x) * 4], &b[entry], 3);
        }
    *width = w;
    *height = h;
    return true;
}

double ThreadMicroseconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Processor time of this thread, not the wall clock: on a busy machine a
// measurement that is preempted would count the other programs' time.
template <class F>
double Microseconds(int inner, F f) {
    const double t0 = ThreadMicroseconds();
    for (int i = 0; i < inner; ++i) f();
    return (ThreadMicroseconds() - t0) / inner;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<uint8_t> pixels;
    int w = 0, h = 0;
    if (argc < 2 || !Load(argv[1], &pixels, &w, &h)) {
        fprintf(stderr, "scan_bench: cannot read an 8-bit outline from %s\n", argc < 2 ? "(none)" : argv[1]);
        return 1;
    }
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 31;
    std::vector<uint8_t> target(pixels.size());
    const skin::ChannelRanges ranges(0x000000, 0x101010);
    volatile long sink = 0;
    long runs = 0;
    auto scan = [&] {
        long n = 0;
        skin::ScanRuns(pixels.data(), w, h, w * 4, ranges, [&](const skin::PixelRun&) {
            ++n;
            return true;
        });
        sink = sink + n;
        runs = n;
    };
    auto copy = [&] {
        memcpy(target.data(), pixels.data(), pixels.size());
        sink = sink + target[pixels.size() / 2];
    };
    std::vector<double> ours, base;
    for (int r = 0; r < rounds; ++r) {
        ours.push_back(Microseconds(200, scan));
        base.push_back(Microseconds(200, copy));
    }
    if (runs == 0) {
        fprintf(stderr, "scan_bench: the outline has no runs\n");
        return 1;
    }
    printf("bench scan-vs-memcpy: %.2fx (%.1f us vs %.1f us, %d x %d, %ld runs, median of %d)\n",
           Median(ours) / Median(base), Median(ours), Median(base), w, h, runs, rounds);
    return 0;
}

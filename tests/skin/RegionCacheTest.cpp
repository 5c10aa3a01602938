// The outline cache with real GDI regions: copies equal to what the builder
// makes, each one the caller's own, one trace per bitmap, colour and tolerance.
#include <gtest/gtest.h>

#include <windows.h>

#include "framework/GdiObject.h"
#include "skin/RegionCache.h"

namespace {

int g_traces = 0;
bool g_fail = false;

// A stand-in for tracing a bitmap: a rectangle that tells the key apart.
HRGN FakeTrace(UINT bitmapId, uint32_t colour, uint32_t tolerance) {
    ++g_traces;
    if (g_fail) return nullptr;
    return CreateRectRgn(0, 0, static_cast<int>(bitmapId), static_cast<int>(1 + (colour & 0xFF) + (tolerance & 0xFF)));
}

bool Equals(HRGN rgn, int right, int bottom) {
    return rgn && EqualRgn(rgn, UniqueRegion(CreateRectRgn(0, 0, right, bottom)).Get());
}

class RegionCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_traces = 0;
        g_fail = false;
    }
};

TEST_F(RegionCacheTest, EveryCopyIsTheCallersOwnAndOneTraceServesThemAll) {
    CRegionCache cache(FakeTrace);
    HRGN first = cache.Copy(130, 0, 0x10);
    HRGN second = cache.Copy(130, 0, 0x10);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(g_traces, 1);
    // A window takes its region and deletes it later: the cache must not care.
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(Equals(second, 130, 17));
    DeleteObject(second);
    HRGN third = cache.Copy(130, 0, 0x10);
    EXPECT_TRUE(Equals(third, 130, 17));
    DeleteObject(third);
    EXPECT_EQ(g_traces, 1);
}

TEST_F(RegionCacheTest, BitmapColourAndToleranceEachMakeTheirOwnEntry) {
    CRegionCache cache(FakeTrace);
    HRGN a = cache.Copy(130, 0, 0x10), b = cache.Copy(140, 0, 0x10), c = cache.Copy(130, 0, 0),
         d = cache.Copy(130, 0xFF, 0x10);
    EXPECT_TRUE(Equals(a, 130, 17));
    EXPECT_TRUE(Equals(b, 140, 17));
    EXPECT_TRUE(Equals(c, 130, 1));
    EXPECT_TRUE(Equals(d, 130, 272));
    EXPECT_EQ(g_traces, 4);
    // Past the cache's room the traced region is handed out as it is.
    HRGN e = cache.Copy(139, 0xFF, 0);
    EXPECT_TRUE(Equals(e, 139, 256));
    HRGN again = cache.Copy(140, 0, 0x10);
    EXPECT_TRUE(Equals(again, 140, 17));
    EXPECT_EQ(g_traces, 5);
    for (HRGN r : {a, b, c, d, e, again}) DeleteObject(r);
}

TEST_F(RegionCacheTest, AFailedTraceIsNotKept) {
    CRegionCache cache(FakeTrace);
    g_fail = true;
    EXPECT_EQ(cache.Copy(130, 0, 0), nullptr);
    g_fail = false;
    HRGN r = cache.Copy(130, 0, 0);
    EXPECT_TRUE(Equals(r, 130, 1));
    EXPECT_EQ(g_traces, 2);
    DeleteObject(r);
}

}  // namespace

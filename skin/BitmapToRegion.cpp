#include "skin/BitmapToRegion.h"

#include <utility>

#include "framework/GdiObject.h"
#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "skin/RectBuffer.h"
#include "skin/RegionScan.h"

namespace {

// Turns the rectangles held into a region and joins it into the result. A
// batch whose region can't be made adds nothing; the buffer empties anyway.
void Flush(RectBuffer& buffer, UniqueRegion& result) {
    UniqueRegion batch(buffer.MakeRegion());
    if (batch) {
        if (!result)
            result = std::move(batch);
        else
            CombineRgn(result.Get(), result.Get(), batch.Get(), RGN_OR);
    }
    buffer.Empty();
}

}  // namespace

HRGN BitmapToRegion(HBITMAP source, uint32_t colour, uint32_t tolerance) {
    if (!source) return nullptr;
    // The resources nest and are released in reverse: first context, working
    // copy selected into it, second context holding the source, rectangles.
    MemoryDC copyDC(nullptr);
    if (!copyDC) return nullptr;
    BITMAP sourceInfo = {};
    GetObjectA(source, sizeof sourceInfo, &sourceInfo);
    const LONG width = sourceInfo.bmWidth;
    const LONG height = sourceInfo.bmHeight;

    // A 32-bit bottom-up copy whose pixels can be read straight from memory.
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap copy(
        CreateDIBSection(copyDC.Get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || !bits) return nullptr;
    SelectObjectScope copySelected(copyDC.Get(), copy.Get());

    MemoryDC sourceDC(copyDC.Get());
    if (!sourceDC) return nullptr;
    BITMAP copyInfo = {};
    GetObjectA(copy.Get(), sizeof copyInfo, &copyInfo);
    const LONG stride = (copyInfo.bmWidthBytes + 3) & ~3;

    SelectObjectScope sourceSelected(sourceDC.Get(), source);
    BitBlt(copyDC.Get(), 0, 0, width, height, sourceDC.Get(), 0, 0, SRCCOPY);
    GdiFlush();  // the copy must be complete before its memory is read

    RectBuffer buffer;
    if (!buffer.IsValid()) return nullptr;
    const skin::ChannelRanges ranges(colour, tolerance);
    UniqueRegion result;
    const bool scanned = skin::ScanRuns(static_cast<const uint8_t*>(bits), width, height, stride, ranges,
                                        [&](const skin::PixelRun& run) {
                                            if (!buffer.Add(run)) return false;
                                            if (buffer.Count() == RectBuffer::kBatch) Flush(buffer, result);
                                            return true;
                                        });
    // Out of memory for the rectangles: a partial outline would be wrong.
    if (!scanned) return nullptr;
    Flush(buffer, result);  // also with no rectangles: a region without area
    return result.Detach();
}

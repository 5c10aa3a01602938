#include "skin/BitmapToRegion.h"

#include <utility>

#include "framework/GdiObject.h"
#include "skin/BitmapBands.h"
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
    BitmapBands bands(source);
    if (!bands.IsValid()) return nullptr;
    RectBuffer buffer;
    if (!buffer.IsValid()) return nullptr;
    const skin::ChannelRanges ranges(colour, tolerance);
    UniqueRegion result;
    for (LONG top = 0; top < bands.Height(); top += bands.BandRows()) {
        const LONG rows = bands.Height() - top < bands.BandRows() ? bands.Height() - top : bands.BandRows();
        const uint8_t* bits = bands.Load(top, rows);
        if (!bits) return nullptr;  // a picture that can't be read has no outline
        const bool scanned =
            skin::ScanRuns(bits, bands.Width(), rows, bands.Stride(), ranges, [&](skin::PixelRun run) {
                run.top += top;
                run.bottom += top;
                if (!buffer.Add(run)) return false;
                if (buffer.Count() == RectBuffer::kBatch) Flush(buffer, result);
                return true;
            });
        // Out of memory for the rectangles: a partial outline would be wrong.
        if (!scanned) return nullptr;
    }
    Flush(buffer, result);  // also with no rectangles: a region without area
    return result.Detach();
}

#include "skinctl/AnimationCanvas.h"

#include <limits.h>
#include <stdlib.h>

#include <new>

#include "skinctl/AnimationScene.h"
#include "skinctl/SkinPalette.h"

namespace skinctl {
namespace {

// A palette colour (0x00BBGGRR) as a pixel (0x00RRGGBB).
uint32_t PixelOf(uint32_t colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// From a towards b by num / den, channel by channel, rounded towards a.
uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
    if (den <= 0) return a;
    uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = int(a >> shift & 0xFF), cb = int(b >> shift & 0xFF);
        mixed |= uint32_t(ca + (cb - ca) * num / den) << shift;
    }
    return mixed;
}

const uint32_t kGroundEdge = 0x040814, kGroundMiddle = 0x10223C, kGrid = 0x162C46;
const int kMaxSide = 0x7FFF;     // the largest coordinate every GDI takes
const int kMaxWavePoints = 512;  // more than any width the console gives

}  // namespace

const uint32_t AnimationCanvas::kGlowColour = PixelOf(palette::kTealDark);
const uint32_t AnimationCanvas::kCoreColour = PixelOf(palette::kGlow);

bool AnimationCanvas::Resize(int width, int height) {
    if (width == m_width && height == m_height && width > 0 && height > 0) return true;
    m_width = m_height = 0;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        std::vector<uint32_t>().swap(m_ground);
        std::vector<uint32_t>().swap(m_pixels);
        return false;
    }
    try {
        const size_t count = size_t(width) * size_t(height);
        m_ground.assign(count, 0);
        m_pixels.assign(count, 0);
        m_runTop.assign(size_t(width) + 2 * MARGIN, 0);
        m_runBottom.assign(size_t(width) + 2 * MARGIN, 0);
        m_points.resize(size_t(width < kMaxWavePoints ? width : kMaxWavePoints));
        m_waveColumns.resize(m_points.size());
    } catch (const std::bad_alloc&) {
        std::vector<uint32_t>().swap(m_ground);
        std::vector<uint32_t>().swap(m_pixels);
        return false;
    }
    m_width = width;
    m_height = height;
    PrepareGround();
    // The wave's points and what of each stays the same from frame to frame.
    const int count = int(m_points.size());
    for (int i = 0; count >= 2 && i < count; ++i) {
        m_points[size_t(i)].x = i * (width - 1) / (count - 1);
        m_waveColumns[size_t(i)] = AnimationScene::ColumnOfWave(m_points[size_t(i)].x, width);
    }
    return true;
}

void AnimationCanvas::Render(int frame) {
    if (m_width <= 0) return;
    DrawGround();
    DrawBars(frame);
    if (m_width < 2 || m_height < 2) return;
    const AnimationScene::WaveMoment moment = AnimationScene::MomentOfWave(frame);
    for (size_t i = 0; i < m_points.size(); ++i)
        m_points[i].y = AnimationScene::WaveY(moment, m_waveColumns[i], m_height);
    DrawWave(m_points.data(), int(m_points.size()));
}

void AnimationCanvas::DrawGround() {
    m_pixels = m_ground;  // same size: a plain copy, no allocation
}

void AnimationCanvas::PrepareGround() {
    // Deep blue, lighter towards the middle band, with a faint grid. Drawn
    // into the pixels once per size, then kept as the ground.
    const int width = m_width, height = m_height;
    for (int y = 0; y < height; ++y) {
        const int distance = 2 * y < height ? height / 2 - y : y - height / 2;
        FillRect(0, y, width, y + 1, Mix(kGroundMiddle, kGroundEdge, distance, height / 2 + 1));
    }
    for (int x = 8; x < width; x += 16) FillRect(x, 0, x + 1, height, kGrid);
    for (int y = (height / 2) % 16; y < height; y += 16) FillRect(0, y, width, y + 1, kGrid);
    m_ground = m_pixels;
}

void AnimationCanvas::DrawBars(int frame) {
    const int width = m_width, height = m_height;
    const int slot = width / AnimationScene::BAR_COUNT;
    if (slot < 2 || height < 8) return;
    // Each bar brightens upwards in a few bands, topped by a glowing cap.
    enum { BANDS = 4 };
    uint32_t bandColour[BANDS];
    for (int b = 0; b < BANDS; ++b) bandColour[b] = PixelOf(Mix(palette::kTeal, palette::kTealDark, b, BANDS - 1));
    const uint32_t capColour = PixelOf(palette::kGlow);
    const int left = (width - slot * AnimationScene::BAR_COUNT) / 2;
    const int floor = height - 3, room = height - 10;
    for (int bar = 0; bar < AnimationScene::BAR_COUNT; ++bar) {
        const int top = floor - room * AnimationScene::BarLevel(frame, bar) / AnimationScene::LEVEL_MAX;
        const int x = left + bar * slot;
        for (int b = 0; b < BANDS; ++b)
            FillRect(x, top + (floor - top) * b / BANDS, x + slot - 1, top + (floor - top) * (b + 1) / BANDS,
                     bandColour[b]);
        FillRect(x, top - 2, x + slot - 1, top - 1, capColour);
    }
}

void AnimationCanvas::DrawWave(const CanvasPoint* points, int count) {
    if (m_width <= 0 || count < 2) return;  // a single point draws nothing, as with a pen
    ClearRuns();
    for (int i = 0; i + 1 < count; ++i) TraceSegment(points[i], points[i + 1]);
    // The thin line leaves out its last point; the wide pen covers it.
    const CanvasPoint last = points[count - 1];
    const bool lastInside = last.x >= -MARGIN && last.x < m_width + MARGIN;
    const size_t lastColumn = lastInside ? size_t(last.x + MARGIN) : 0;
    const int keptTop = m_runTop[lastColumn], keptBottom = m_runBottom[lastColumn];
    Plot(last.x, last.y);

    // The glow: a line pixel covers the three columns around it from two rows
    // above to one below (the rows a 4-pixel pen covers, the odd one above),
    // and its own row in the next column each side, so that a steep or
    // slanting stretch is as wide across as a flat one.
    for (int x = 0; x < m_width; ++x) {
        int top = INT_MAX, bottom = INT_MIN;
        for (int d = -2; d <= 2; ++d) {
            const size_t c = size_t(x + d + MARGIN);
            if (m_runTop[c] > m_runBottom[c]) continue;
            const bool side = d == -2 || d == 2;
            if (m_runTop[c] - (side ? 0 : 2) < top) top = m_runTop[c] - (side ? 0 : 2);
            if (m_runBottom[c] + (side ? 0 : 1) > bottom) bottom = m_runBottom[c] + (side ? 0 : 1);
        }
        if (top <= bottom) FillColumn(x, top, bottom, kGlowColour);
    }

    m_runTop[lastColumn] = keptTop;
    m_runBottom[lastColumn] = keptBottom;
    for (int x = 0; x < m_width; ++x) {
        const size_t c = size_t(x + MARGIN);
        if (m_runTop[c] <= m_runBottom[c]) FillColumn(x, m_runTop[c], m_runBottom[c], kCoreColour);
    }
}

void AnimationCanvas::ClearRuns() {
    for (size_t c = 0; c < m_runTop.size(); ++c) {
        m_runTop[c] = INT_MAX;
        m_runBottom[c] = INT_MIN;
    }
}

void AnimationCanvas::Plot(int x, int y) {
    if (x < -MARGIN || x >= m_width + MARGIN) return;
    const size_t c = size_t(x + MARGIN);
    if (y < m_runTop[c]) m_runTop[c] = y;
    if (y > m_runBottom[c]) m_runBottom[c] = y;
}

// Bresenham's line from `from` up to, not including, `to`, as a thin pen
// draws it.
void AnimationCanvas::TraceSegment(CanvasPoint from, CanvasPoint to) {
    const int dx = to.x - from.x, dy = to.y - from.y;
    const int ax = abs(dx), ay = abs(dy), sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    // Exactly halfway between two rows, a pen steps early only on a shallow
    // climb (x rising); the same rule keeps the line on the pen's pixels.
    const int bias = dx > 0 && dy < 0 && ax > ay ? 1 : 0;
    int x = from.x, y = from.y;
    if (ax >= ay) {
        int err = 2 * ay - ax;
        for (int i = 0; i < ax; ++i, x += sx) {
            Plot(x, y);
            if (err + bias > 0) {
                y += sy;
                err += 2 * (ay - ax);
            } else {
                err += 2 * ay;
            }
        }
    } else {
        int err = 2 * ax - ay;
        for (int i = 0; i < ay; ++i, y += sy) {
            Plot(x, y);
            if (err + bias > 0) {
                x += sx;
                err += 2 * (ax - ay);
            } else {
                err += 2 * ax;
            }
        }
    }
}

void AnimationCanvas::FillRect(int left, int top, int right, int bottom, uint32_t colour) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m_width) right = m_width;
    if (bottom > m_height) bottom = m_height;
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = Row(y);
        for (int x = left; x < right; ++x) row[x] = colour;
    }
}

void AnimationCanvas::FillColumn(int x, int top, int bottom, uint32_t colour) {
    if (top < 0) top = 0;
    if (bottom > m_height - 1) bottom = m_height - 1;
    if (top > bottom) return;
    uint32_t* p = Row(bottom) + x;  // the rows run upwards in memory
    for (int y = bottom; y >= top; --y, p += m_width) *p = colour;
}

}  // namespace skinctl

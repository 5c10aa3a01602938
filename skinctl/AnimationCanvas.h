// The animation's picture drawn in memory of our own with plain integer code:
// the ground copied from a copy kept for the size, the bars as row fills, the
// wave and its glow as one vertical run per column. A frame is a few thousand
// pixel writes and, on the control's side, a single blit; with brushes and
// pens it would be a hundred GDI calls and a wide-line path, twelve times a
// second.
// Pixels are 0x00RRGGBB, the bottom row first: the layout of a 32-bit DIB
// of positive height, which every Windows takes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "skinctl/AnimationScene.h"

namespace skinctl {

struct CanvasPoint {
    int x, y;
};

class AnimationCanvas {
public:
    // Sizes the canvas and prepares its ground. False, and an empty canvas,
    // when the size is empty or the memory is not there.
    bool Resize(int width, int height);
    // Frame `frame` of the loop over the whole canvas.
    void Render(int frame);

    // The parts of Render, in its order: the ground over everything, the
    // bars of the frame, the wave of the frame. The wave goes through `points`,
    // whose x must not fall from one to the next: a glow 4 pixels wide under
    // a core line 1 pixel wide, as a wide and a thin pen draw them; both
    // leave out nothing and draw nothing outside the canvas.
    void DrawGround();
    void DrawBars(int frame);
    void DrawWave(const CanvasPoint* points, int count);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t Pixel(int x, int y) const { return Row(y)[x]; }

    // The colours as they are in the pixels.
    static const uint32_t kGlowColour, kCoreColour;

private:
    // Each column's run of the thin line, kept with a margin of two columns
    // each side for the glow that reaches in from outside.
    enum { MARGIN = 2 };
    uint32_t* Row(int y) { return &m_pixels[size_t(m_height - 1 - y) * size_t(m_width)]; }
    const uint32_t* Row(int y) const { return &m_pixels[size_t(m_height - 1 - y) * size_t(m_width)]; }
    void PrepareGround();
    void ClearRuns();
    void Plot(int x, int y);
    void TraceSegment(CanvasPoint from, CanvasPoint to);
    void FillRect(int left, int top, int right, int bottom, uint32_t colour);
    void FillColumn(int x, int top, int bottom, uint32_t colour);

    int m_width = 0, m_height = 0;
    std::vector<uint32_t> m_ground, m_pixels;
    std::vector<int> m_runTop, m_runBottom;  // empty column: top > bottom
    std::vector<CanvasPoint> m_points;
    std::vector<AnimationScene::WaveColumn> m_waveColumns;  // one per point
};

}  // namespace skinctl

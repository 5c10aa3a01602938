#include "skinctl/AnimationArt.h"

#include "skinctl/AnimationScene.h"
#include "skinctl/DcSelection.h"
#include "skinctl/GdiObject.h"
#include "skinctl/SkinPalette.h"

namespace skinctl {
namespace {

COLORREF Mix(COLORREF a, COLORREF b, int num, int den) {
    if (den <= 0) return a;
    auto channel = [&](int ca, int cb) { return ca + (cb - ca) * num / den; };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    Brush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

}  // namespace

void AnimationArt::Draw(HDC dc, const RECT& client, int frame) {
    DrawGround(dc, client);
    DrawBars(dc, client, frame);
    DrawWave(dc, client, frame);
}

void AnimationArt::DrawGround(HDC dc, const RECT& client) {
    // Deep blue, lighter towards the middle band, with a faint grid.
    const int height = client.bottom - client.top;
    const COLORREF edge = RGB(0x04, 0x08, 0x14), middle = RGB(0x10, 0x22, 0x3C);
    for (int y = 0; y < height; ++y) {
        const int distance = 2 * y < height ? height / 2 - y : y - height / 2;
        RECT row = {client.left, client.top + y, client.right, client.top + y + 1};
        Fill(dc, row, Mix(middle, edge, distance, height / 2 + 1));
    }
    const COLORREF grid = RGB(0x16, 0x2C, 0x46);
    for (int x = client.left + 8; x < client.right; x += 16) {
        RECT line = {x, client.top, x + 1, client.bottom};
        Fill(dc, line, grid);
    }
    for (int y = client.top + (height / 2) % 16; y < client.bottom; y += 16) {
        RECT line = {client.left, y, client.right, y + 1};
        Fill(dc, line, grid);
    }
}

void AnimationArt::DrawBars(HDC dc, const RECT& client, int frame) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    const int slot = width / AnimationScene::BAR_COUNT;
    if (slot < 2 || height < 8) return;
    const int left = client.left + (width - slot * AnimationScene::BAR_COUNT) / 2;
    const int floor = client.bottom - 3, room = height - 10;
    for (int bar = 0; bar < AnimationScene::BAR_COUNT; ++bar) {
        const int level = AnimationScene::BarLevel(frame, bar);
        const int top = floor - room * level / AnimationScene::LEVEL_MAX;
        const int x = left + bar * slot;
        // Each bar brightens upwards in a few bands, topped by a glowing cap.
        const int bands = 4;
        for (int b = 0; b < bands; ++b) {
            RECT band = {x, top + (floor - top) * b / bands, x + slot - 1, top + (floor - top) * (b + 1) / bands};
            Fill(dc, band, Mix(palette::kTeal, palette::kTealDark, b, bands - 1));
        }
        RECT cap = {x, top - 2, x + slot - 1, top - 1};
        Fill(dc, cap, palette::kGlow);
    }
}

void AnimationArt::DrawWave(HDC dc, const RECT& client, int frame) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width < 2 || height < 2) return;
    enum { MAX_POINTS = 512 };
    POINT points[MAX_POINTS];
    const int count = width < MAX_POINTS ? width : MAX_POINTS;
    for (int i = 0; i < count; ++i) {
        const int x = i * (width - 1) / (count - 1);
        points[i].x = client.left + x;
        points[i].y = client.top + AnimationScene::WaveY(frame, x, width, height);
    }
    Pen glow(CreatePen(PS_SOLID, 4, palette::kTealDark));
    Pen core(CreatePen(PS_SOLID, 1, palette::kGlow));
    {
        DcSelection pen(dc, glow.Get());
        Polyline(dc, points, count);
    }
    DcSelection pen(dc, core.Get());
    Polyline(dc, points, count);
}

}  // namespace skinctl

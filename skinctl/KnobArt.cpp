#include "skinctl/KnobArt.h"

#include "skinctl/DcSelection.h"
#include "skinctl/GdiObject.h"
#include "skinctl/KnobDial.h"
#include "skinctl/KnobModel.h"
#include "skinctl/SkinPalette.h"

namespace skinctl {
namespace {

void Line(HDC dc, DialPoint from, DialPoint to) {
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
}

// Every other pixel of the outermost ring, set one by one: dotted pens are
// drawn differently from one system to the next.
void DrawFocusMark(HDC dc, const RECT& client) {
    for (int x = client.left; x < client.right; x += 2) {
        SetPixel(dc, x, client.top, palette::kTeal);
        SetPixel(dc, x, client.bottom - 1, palette::kTeal);
    }
    for (int y = client.top; y < client.bottom; y += 2) {
        SetPixel(dc, client.left, y, palette::kTeal);
        SetPixel(dc, client.right - 1, y, palette::kTeal);
    }
}

}  // namespace

void KnobArt::Draw(HDC dc, const RECT& client, int32_t position, bool focusMark) {
    Brush background(CreateSolidBrush(palette::kBackground));
    FillRect(dc, &client, background.Get());
    if (focusMark) DrawFocusMark(dc, client);

    const int width = client.right - client.left, height = client.bottom - client.top;
    const int cx = client.left + width / 2, cy = client.top + height / 2;
    const int outer = (width < height ? width : height) / 2 - 1;
    if (outer < 6) return;
    const int disc = outer - 4;

    // Tick marks round the disc; the ones up to the position glow.
    Pen tickOff(CreatePen(PS_SOLID, 1, palette::kTickOff));
    Pen tickOn(CreatePen(PS_SOLID, 1, palette::kTeal));
    for (int32_t i = KnobModel::MIN_POSITION; i <= KnobModel::MAX_POSITION; ++i) {
        const double angle = KnobDial::PositionAngle(i);
        DcSelection pen(dc, (i <= position ? tickOn : tickOff).Get());
        Line(dc, KnobDial::PointAt(cx, cy, outer - 2, angle), KnobDial::PointAt(cx, cy, outer + 1, angle));
    }

    Pen rim(CreatePen(PS_SOLID, 1, palette::kRim));
    Brush body(CreateSolidBrush(palette::kBody));
    {
        DcSelection pen(dc, rim.Get());
        DcSelection brush(dc, body.Get());
        Ellipse(dc, cx - disc, cy - disc, cx + disc + 1, cy + disc + 1);
    }

    // The pointer: a soft teal stroke under a bright core.
    const double angle = KnobDial::PositionAngle(position);
    const DialPoint inner = KnobDial::PointAt(cx, cy, disc * 0.25, angle);
    const DialPoint tip = KnobDial::PointAt(cx, cy, disc - 2, angle);
    Pen glow(CreatePen(PS_SOLID, 3, palette::kTealDark));
    Pen core(CreatePen(PS_SOLID, 1, palette::kGlow));
    {
        DcSelection pen(dc, glow.Get());
        Line(dc, inner, tip);
    }
    DcSelection pen(dc, core.Get());
    Line(dc, inner, tip);
}

}  // namespace skinctl

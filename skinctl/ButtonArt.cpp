#include "skinctl/ButtonArt.h"

#include "skinctl/DcSelection.h"
#include "skinctl/GdiObject.h"
#include "skinctl/SkinPalette.h"

namespace skinctl {

void ButtonArt::Draw(HDC dc, const RECT& client, ButtonGlyph glyph, bool pressed, bool on, bool focusMark) {
    Brush background(CreateSolidBrush(palette::kBackground));
    FillRect(dc, &client, background.Get());

    const COLORREF fill = on ? palette::kOnBody : pressed ? palette::kBodyPressed : palette::kBody;
    Brush body(CreateSolidBrush(fill));
    Pen rim(CreatePen(PS_SOLID, 1, focusMark ? palette::kGlow : on ? palette::kTeal : palette::kRim));
    {
        DcSelection pen(dc, rim.Get());
        DcSelection brush(dc, body.Get());
        RoundRect(dc, client.left, client.top, client.right, client.bottom, 5, 5);
    }

    // The glyph box leaves a quarter of the button as margin; pressing moves it.
    const int width = client.right - client.left, height = client.bottom - client.top;
    RECT box = {client.left + width / 4, client.top + height / 4, client.right - width / 4, client.bottom - height / 4};
    if (pressed) OffsetRect(&box, 1, 1);
    DrawGlyph(dc, box, glyph, on ? palette::kGlow : palette::kGlyph);
}

void ButtonArt::DrawGlyph(HDC dc, const RECT& box, ButtonGlyph glyph, COLORREF colour) {
    if (box.right - box.left < 2 || box.bottom - box.top < 2) return;
    Pen pen(CreatePen(PS_SOLID, 1, colour));
    Brush brush(CreateSolidBrush(colour));
    DcSelection penSel(dc, pen.Get());
    // LineTo leaves out the end point, hence the +1 on the far ends.
    switch (glyph) {
        case GLYPH_CLOSE:
            MoveToEx(dc, box.left, box.top, nullptr);
            LineTo(dc, box.right + 1, box.bottom + 1);
            MoveToEx(dc, box.right, box.top, nullptr);
            LineTo(dc, box.left - 1, box.bottom + 1);
            break;
        case GLYPH_MINI_FORM: {
            RECT bar = {box.left, box.bottom - 1, box.right + 1, box.bottom + 1};
            FillRect(dc, &bar, brush.Get());
            break;
        }
        case GLYPH_FULL_FORM: {
            DcSelection hollow(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, box.left, box.top, box.right + 1, box.bottom + 1);
            RECT title = {box.left, box.top, box.right + 1, box.top + 2};
            FillRect(dc, &title, brush.Get());
            break;
        }
        case GLYPH_HEADPHONES:
        default: {
            // A headband arc over two ear cups.
            const int cupWidth = (box.right - box.left) / 4 + 1;
            const int cupTop = box.top + (box.bottom - box.top) / 2;
            Arc(dc, box.left, box.top, box.right + 1, box.bottom + (box.bottom - box.top) / 2, box.right, cupTop,
                box.left, cupTop);
            RECT left = {box.left, cupTop, box.left + cupWidth, box.bottom + 1};
            RECT right = {box.right + 1 - cupWidth, cupTop, box.right + 1, box.bottom + 1};
            FillRect(dc, &left, brush.Get());
            FillRect(dc, &right, brush.Get());
            break;
        }
    }
}

}  // namespace skinctl

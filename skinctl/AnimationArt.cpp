#include "skinctl/AnimationArt.h"

#include "skinctl/GdiObject.h"
#include "skinctl/SkinPalette.h"

namespace skinctl {

void AnimationArt::Show(HDC dc, const RECT& client, int frame) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;
    if (!m_canvas.Resize(width, height)) {
        Brush background(CreateSolidBrush(palette::kBackground));
        FillRect(dc, &client, background.Get());
        return;
    }
    m_canvas.Render(frame);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the canvas keeps its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, client.left, client.top, DWORD(width), DWORD(height), 0, 0, 0, UINT(height),
                      m_canvas.Pixels(), &info, DIB_RGB_COLORS);
}

void AnimationArt::Draw(HDC dc, const RECT& client, int frame) {
    AnimationArt art;
    art.Show(dc, client, frame);
}

}  // namespace skinctl

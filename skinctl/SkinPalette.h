// The colours of the stand-in artwork: dark blue with teal light.
#pragma once

#include <windows.h>

namespace skinctl {
namespace palette {

const COLORREF kBackground = RGB(0x0C, 0x14, 0x24);
const COLORREF kBody = RGB(0x22, 0x2C, 0x3E);
const COLORREF kBodyPressed = RGB(0x12, 0x1A, 0x28);
const COLORREF kRim = RGB(0x4A, 0x5A, 0x74);
const COLORREF kTickOff = RGB(0x38, 0x46, 0x5C);
const COLORREF kTeal = RGB(0x20, 0xC8, 0xC8);
const COLORREF kTealDark = RGB(0x0C, 0x5A, 0x64);
const COLORREF kGlow = RGB(0xC8, 0xFF, 0xFF);
const COLORREF kGlyph = RGB(0xD8, 0xE4, 0xF0);
const COLORREF kOnBody = RGB(0x0E, 0x6E, 0x78);

}  // namespace palette
}  // namespace skinctl

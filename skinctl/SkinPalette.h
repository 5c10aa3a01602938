// The colours of the stand-in artwork: dark blue with teal light. COLORREF
// values (0x00BBGGRR), kept free of <windows.h> so that the animation's
// platform-free drawing shares them.
#pragma once

#include <stdint.h>

namespace skinctl {
namespace palette {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | g << 8 | b << 16;
}

const uint32_t kBackground = Rgb(0x0C, 0x14, 0x24);
const uint32_t kBody = Rgb(0x22, 0x2C, 0x3E);
const uint32_t kBodyPressed = Rgb(0x12, 0x1A, 0x28);
const uint32_t kRim = Rgb(0x4A, 0x5A, 0x74);
const uint32_t kTickOff = Rgb(0x38, 0x46, 0x5C);
const uint32_t kTeal = Rgb(0x20, 0xC8, 0xC8);
const uint32_t kTealDark = Rgb(0x0C, 0x5A, 0x64);
const uint32_t kGlow = Rgb(0xC8, 0xFF, 0xFF);
const uint32_t kGlyph = Rgb(0xD8, 0xE4, 0xF0);
const uint32_t kOnBody = Rgb(0x0E, 0x6E, 0x78);

}  // namespace palette
}  // namespace skinctl

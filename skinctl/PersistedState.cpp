#include "skinctl/PersistedState.h"

namespace skinctl {
namespace {

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool SizeIsSane(uint32_t himetric) {
    const int pixels = HimetricToPixels(himetric);
    return pixels >= 1 && pixels <= MAX_CONTROL_PIXELS;
}

}  // namespace

int HimetricToPixels(uint32_t himetric) {
    // 64-bit so that no 32-bit input can overflow; the result is capped just
    // above anything SizeIsSane accepts.
    const uint64_t pixels = (uint64_t(himetric) * 96 + 1270) / 2540;
    return pixels > uint64_t(MAX_CONTROL_PIXELS) + 1 ? MAX_CONTROL_PIXELS + 1 : int(pixels);
}

bool ParseKnobState(const void* bytes, size_t count, KnobState& out) {
    if (bytes == nullptr || count != KNOB_STATE_SIZE) return false;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (ReadU32(p) != 0 || ReadU32(p + 4) != 0x00010000u || ReadU32(p + 16) != 0) return false;
    const uint32_t width = ReadU32(p + 8), height = ReadU32(p + 12);
    if (!SizeIsSane(width) || !SizeIsSane(height)) return false;
    out.widthHimetric = width;
    out.heightHimetric = height;
    return true;
}

bool ParseButtonState(const void* bytes, size_t count, ButtonState& out) {
    if (bytes == nullptr || count != BUTTON_STATE_SIZE) return false;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (ReadU32(p) != 0 || ReadU32(p + 12) != 0 || ReadU32(p + 18) != 0) return false;
    const uint32_t width = ReadU32(p + 4), height = ReadU32(p + 8);
    const uint8_t twoState = p[16], glyph = p[17];
    if (!SizeIsSane(width) || !SizeIsSane(height)) return false;
    if (twoState > 1 || glyph > GLYPH_FULL_FORM) return false;
    out.widthHimetric = width;
    out.heightHimetric = height;
    out.twoState = twoState == 1;
    out.glyph = ButtonGlyph(glyph);
    return true;
}

}  // namespace skinctl

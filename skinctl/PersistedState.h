// The persisted bytes a skin control receives from the dialog's
// initialisation data, parsed and checked without any Windows call.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace skinctl {

enum : size_t { KNOB_STATE_SIZE = 20, BUTTON_STATE_SIZE = 22 };

// A control larger than this is a corrupt record, not a skin element.
enum : int { MAX_CONTROL_PIXELS = 4096 };

enum ButtonGlyph : uint8_t {
    GLYPH_HEADPHONES = 0,
    GLYPH_CLOSE = 1,
    GLYPH_MINI_FORM = 2,
    GLYPH_FULL_FORM = 3,
};

struct KnobState {
    uint32_t widthHimetric;
    uint32_t heightHimetric;
};

struct ButtonState {
    uint32_t widthHimetric;
    uint32_t heightHimetric;
    bool twoState;
    ButtonGlyph glyph;
};

// Both return false and leave `out` untouched unless the record has exactly
// the expected length, the fixed words hold their fixed values, the sizes give
// 1 to MAX_CONTROL_PIXELS pixels and the flag bytes are in range. They never
// read beyond `count` bytes.
bool ParseKnobState(const void* bytes, size_t count, KnobState& out);
bool ParseButtonState(const void* bytes, size_t count, ButtonState& out);

// HIMETRIC (1/100 mm) to pixels at 96 dpi, rounded to nearest like MulDiv.
int HimetricToPixels(uint32_t himetric);

}  // namespace skinctl

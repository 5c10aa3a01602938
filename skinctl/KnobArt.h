// Stand-in picture of a knob: a dark disc with a bright pointer and twelve
// tick marks, lit up to the current position; a dotted teal frame round the
// edge marks the keyboard focus.
#pragma once

#include <windows.h>

#include <stdint.h>

namespace skinctl {

class KnobArt {
public:
    static void Draw(HDC dc, const RECT& client, int32_t position, bool focusMark);
};

}  // namespace skinctl

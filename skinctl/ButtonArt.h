// Stand-in picture of a push button: a rounded dark square with a light glyph
// (headphones, close, mini form, full form). Held down it sinks by a pixel; a
// two-state button that is on glows teal. The keyboard focus lights the rim.
#pragma once

#include <windows.h>

#include "skinctl/PersistedState.h"

namespace skinctl {

class ButtonArt {
public:
    static void Draw(HDC dc, const RECT& client, ButtonGlyph glyph, bool pressed, bool on, bool focusMark);

private:
    static void DrawGlyph(HDC dc, const RECT& box, ButtonGlyph glyph, COLORREF colour);
};

}  // namespace skinctl

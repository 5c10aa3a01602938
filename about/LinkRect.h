// Where a static control goes when it takes the size of its text: free of
// Windows so that the arithmetic is tested on its own.
#pragma once

struct LinkRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The static control's alignment bits (SS_CENTER, SS_RIGHT, SS_CENTERIMAGE).
constexpr unsigned long kLinkStyleCenter = 0x0001;
constexpr unsigned long kLinkStyleRight = 0x0002;
constexpr unsigned long kLinkStyleCenterImage = 0x0200;

// The control's rectangle r shrunk or grown to textWidth x textHeight: a
// centred side splits the difference (halved toward zero, so an odd
// difference ends one pixel off), SS_RIGHT keeps the right edge, anything
// else the top-left corner.
LinkRect FitLinkRectToText(LinkRect r, int textWidth, int textHeight, unsigned long style);

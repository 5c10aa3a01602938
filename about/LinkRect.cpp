#include "about/LinkRect.h"

LinkRect FitLinkRectToText(LinkRect r, int textWidth, int textHeight, unsigned long style) {
    if (style & kLinkStyleCenterImage) {
        const int d = (r.bottom - r.top - textHeight) / 2;
        r.top += d;
        r.bottom -= d;
    } else {
        r.bottom = r.top + textHeight;
    }
    if (style & kLinkStyleCenter) {
        const int d = (r.right - r.left - textWidth) / 2;
        r.left += d;
        r.right -= d;
    } else if (style & kLinkStyleRight) {
        r.left = r.right - textWidth;
    } else {
        r.right = r.left + textWidth;
    }
    return r;
}

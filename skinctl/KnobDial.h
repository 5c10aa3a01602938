// Where the knob's pointer and tick marks go, without any Windows call. The
// twelve positions sweep 270 degrees clockwise from lower left to lower right.
#pragma once

#include <stdint.h>

namespace skinctl {

struct DialPoint {
    int x;
    int y;
};

class KnobDial {
public:
    // Angle in degrees, counter-clockwise from the positive x axis. Values the
    // console stored outside the twelve positions are shown at the nearest stop.
    static double PositionAngle(int32_t position);

    // The point at `radius` from (cx, cy) in the direction of `angle`, in
    // window coordinates (y grows downwards).
    static DialPoint PointAt(int cx, int cy, double radius, double angle);
};

}  // namespace skinctl

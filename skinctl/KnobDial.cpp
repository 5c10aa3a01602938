#include "skinctl/KnobDial.h"

#include <cmath>

#include "skinctl/KnobModel.h"

namespace skinctl {

double KnobDial::PositionAngle(int32_t position) {
    if (position < KnobModel::MIN_POSITION) position = KnobModel::MIN_POSITION;
    if (position > KnobModel::MAX_POSITION) position = KnobModel::MAX_POSITION;
    return 225.0 - 270.0 * position / KnobModel::MAX_POSITION;
}

DialPoint KnobDial::PointAt(int cx, int cy, double radius, double angle) {
    const double rad = angle * 3.141592653589793 / 180.0;
    return DialPoint{int(std::lround(cx + radius * std::cos(rad))), int(std::lround(cy - radius * std::sin(rad)))};
}

}  // namespace skinctl

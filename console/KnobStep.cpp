#include "console/KnobStep.h"

namespace KnobStep {

int32_t Apply(int32_t position, int32_t step) {
    // A value the knob reported outside 0..11 is only bounded on the side
    // the step moves towards. Saturate rather than overflow at the extremes.
    int64_t v = int64_t(position) + step;
    if (step < 0) {
        if (v < kLowest) v = kLowest;
    } else if (v > kHighest) {
        v = kHighest;
    }
    if (v < INT32_MIN) v = INT32_MIN;
    return int32_t(v);
}

bool ForCommand(unsigned command, int& knob, int32_t& step) {
    static const int32_t kSteps[] = {-3, -1, 1, 3};
    const unsigned first = 32771, last = 32782;
    if (command < first || command > last) return false;
    unsigned index = command - first;
    knob = int(index / 4);
    step = kSteps[index % 4];
    return true;
}

}  // namespace KnobStep

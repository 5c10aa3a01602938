// A keyboard step of a knob: only the bound on the side of the step applies.
#pragma once

#include <cstdint>

namespace KnobStep {

constexpr int32_t kLowest = 0;
constexpr int32_t kHighest = 11;

int32_t Apply(int32_t position, int32_t step);

// The knob (0 3D, 1 Vibe, 2 Soundfields) and step of a step command; false
// for the headphones toggle and anything else.
bool ForCommand(unsigned command, int& knob, int32_t& step);

}  // namespace KnobStep

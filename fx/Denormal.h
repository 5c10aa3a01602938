// Recursive filters and feedback loops decay towards zero forever; on x87
// (no flush-to-zero mode) numbers that small are very slow. Values this far
// below the quietest step of any output format are set to zero instead.
#pragma once

namespace fx {

inline float FlushTiny(float x) {
    return (x > -1e-12f && x < 1e-12f) ? 0.0f : x;
}

}  // namespace fx

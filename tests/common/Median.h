// The middle of a bench's repeated timings: one busy moment of the machine
// moves it less than it moves the mean.
#pragma once

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

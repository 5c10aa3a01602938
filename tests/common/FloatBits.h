// A level's float as the four payload bytes the console sends.
#pragma once

#include <cstdint>
#include <cstring>

inline uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

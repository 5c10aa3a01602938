// The persisted-property bytes of a knob and a push button, as the console's
// dialog initialisation data carries them (little-endian).
#pragma once

#include <stdint.h>

#include <vector>

namespace persisted {

inline void PutU32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

inline std::vector<uint8_t> KnobBytes(uint32_t w, uint32_t h) {
    std::vector<uint8_t> v;
    PutU32(v, 0);
    PutU32(v, 0x00010000);
    PutU32(v, w);
    PutU32(v, h);
    PutU32(v, 0);
    return v;
}

inline std::vector<uint8_t> ButtonBytes(uint32_t w, uint32_t h, uint8_t twoState, uint8_t glyph) {
    std::vector<uint8_t> v;
    PutU32(v, 0);
    PutU32(v, w);
    PutU32(v, h);
    PutU32(v, 0);
    v.push_back(twoState);
    v.push_back(glyph);
    PutU32(v, 0);
    return v;
}

}  // namespace persisted

#include "engine/EffectMath.h"

#include <cmath>
#include <cstring>

namespace EffectMath {

const float K32 = 1.0f / 11.0f;
const double K64 = 1.0 / 11.0;

// volatile stores force the one rounding to the storage format, also where
// the compiler would otherwise keep an x87 register value.
static float StoreFloat(double value) {
    volatile float stored = static_cast<float>(value);
    return stored;
}

int32_t HeadphonesLevel(int32_t position) {
    int32_t v = position == 0 ? 1 : position;
    volatile double level = static_cast<double>(v) * K64 * 90.0;
    return static_cast<int32_t>(level);
}

float Level3D(int32_t position) {
    return StoreFloat(static_cast<double>(position) * static_cast<double>(K32));
}

float Level3DScaled(int32_t position) {
    volatile double product = static_cast<double>(position) * static_cast<double>(K32);
    return StoreFloat(product * 0.125);
}

float KnobLevel(int32_t position) {
    return StoreFloat(static_cast<double>(position) * static_cast<double>(K32));
}

float MasterGain(int32_t position) {
    volatile double exponent = (static_cast<double>(position) - 20.0) * 0.05;
    return StoreFloat(std::pow(10.0, exponent));
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace EffectMath

// Reading and writing one sample of each format the chain processes, as a
// float where 1.0 is full scale. Reads of 8..24-bit samples are exact, so a
// sample the chain leaves alone comes back the same.
#pragma once

#include <math.h>
#include <stdint.h>
#include <string.h>

namespace fx {

// How a processed value becomes an integer sample: the steps of the valid
// bits, moved to the top of the container.
struct PcmQuant {
    double scale;  // steps per full scale
    double lo, hi;
    uint32_t shift;
};

// Round to nearest and keep inside the format (the limiter already does;
// this only guards against what it cannot see, like a zero ceiling).
inline int32_t PcmRound(float x, const PcmQuant& q) {
    double v = x * q.scale;
    if (!(v > q.lo)) return static_cast<int32_t>(q.lo);
    if (!(v < q.hi)) return static_cast<int32_t>(q.hi);
    return static_cast<int32_t>(lrint(v));
}

struct SampleU8 {
    static const uint32_t kBytes = 1;
    static float Read(const unsigned char* p) { return static_cast<float>(p[0] - 128) * (1.0f / 128.0f); }
    static void Write(unsigned char* p, float x, const PcmQuant& q) {
        p[0] = static_cast<unsigned char>(PcmRound(x, q) + 128);
    }
};

struct SampleS16 {
    static const uint32_t kBytes = 2;
    static float Read(const unsigned char* p) {
        int16_t s;
        memcpy(&s, p, 2);
        return static_cast<float>(s) * (1.0f / 32768.0f);
    }
    static void Write(unsigned char* p, float x, const PcmQuant& q) {
        uint16_t s = static_cast<uint16_t>(static_cast<uint32_t>(PcmRound(x, q)) << q.shift);
        memcpy(p, &s, 2);
    }
};

struct SampleS24 {
    static const uint32_t kBytes = 3;
    static float Read(const unsigned char* p) {
        uint32_t u = (static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                     (static_cast<uint32_t>(p[2]) << 24);
        return static_cast<float>(static_cast<int32_t>(u)) * (1.0f / 2147483648.0f);
    }
    static void Write(unsigned char* p, float x, const PcmQuant& q) {
        uint32_t u = static_cast<uint32_t>(PcmRound(x, q)) << q.shift;
        p[0] = static_cast<unsigned char>(u);
        p[1] = static_cast<unsigned char>(u >> 8);
        p[2] = static_cast<unsigned char>(u >> 16);
    }
};

struct SampleS32 {
    static const uint32_t kBytes = 4;
    static float Read(const unsigned char* p) {
        int32_t s;
        memcpy(&s, p, 4);
        return static_cast<float>(s) * (1.0f / 2147483648.0f);
    }
    static void Write(unsigned char* p, float x, const PcmQuant& q) {
        uint32_t u = static_cast<uint32_t>(PcmRound(x, q)) << q.shift;
        memcpy(p, &u, 4);
    }
};

struct SampleF32 {
    static const uint32_t kBytes = 4;
    // A float stream may carry anything: what no sound is (NaN, infinities,
    // absurd levels) must not reach the filters, whose state it would poison.
    static float Read(const unsigned char* p) {
        float v;
        memcpy(&v, p, 4);
        if (v >= -8.0f && v <= 8.0f) return v;
        return v > 8.0f ? 8.0f : v < -8.0f ? -8.0f : 0.0f;
    }
    static void Write(unsigned char* p, float x, const PcmQuant&) { memcpy(p, &x, 4); }
};

}  // namespace fx

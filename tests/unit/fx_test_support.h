// Signals, renders and measurements shared by the effects tests.
#pragma once

#include "fx/FxChain.h"
#include "fx/FxParams.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace fxtest {

const double kPi = 3.14159265358979323846;

// A format as the engine gets it (`valid` 0: every bit of the container).
inline fx::FxFormat Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t valid = 0) {
    fx::FxFormat f{tag, channels, rate, bits, static_cast<uint16_t>(channels * bits / 8)};
    f.validBits = valid;
    return f;
}

inline fx::FxFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    return Fmt(1, channels, rate, bits);
}

// Every control as the console sends it at the given knob levels (0..1).
inline fx::FxParams Knobs(float level3D, float vibe, float soundfields, bool headphones = false,
                          int32_t headphonesLevel = 8) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    p.enable3D = headphones ? 0 : 1;
    p.enableHeadphones = headphones ? 1 : 0;
    p.level3D = level3D;
    p.level3DScaled = level3D / 8.0f;
    p.headphonesLevel = headphonesLevel;
    p.enableVibe = 1;
    p.vibe[0] = p.vibe[1] = p.vibe[2] = vibe;
    p.enableSoundfields = 1;
    p.soundfields = soundfields;
    return p;
}

inline fx::FxParams Off() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    return p;
}

// Interleaved 16-bit stereo of a sine on each channel (amplitude in steps).
inline std::vector<int16_t> Sine(double rate, double hz, double ampL, double ampR, size_t frames) {
    std::vector<int16_t> s(frames * 2);
    for (size_t n = 0; n < frames; ++n) {
        double v = std::sin(2.0 * kPi * hz * n / rate);
        s[2 * n] = static_cast<int16_t>(std::lround(ampL * v));
        s[2 * n + 1] = static_cast<int16_t>(std::lround(ampR * v));
    }
    return s;
}

// Renders in buffers of `chunk` frames (different cuts must not matter).
class Renderer {
public:
    explicit Renderer(const fx::FxFormat& f) : m_chain(new fx::FxChain) { m_open = m_chain->Open(f); }
    bool Open() const { return m_open; }
    fx::FxChain& Chain() { return *m_chain; }

    template <typename T>
    std::vector<T> Run(const fx::FxParams& p, const std::vector<T>& in, size_t chunkBytes = 4096) {
        std::vector<T> out(in.size());
        const unsigned char* src = reinterpret_cast<const unsigned char*>(in.data());
        unsigned char* dst = reinterpret_cast<unsigned char*>(out.data());
        size_t bytes = in.size() * sizeof(T);
        for (size_t at = 0; at < bytes; at += chunkBytes) {
            size_t n = bytes - at < chunkBytes ? bytes - at : chunkBytes;
            m_chain->Process(p, src + at, dst + at, static_cast<uint32_t>(n));
        }
        return out;
    }

private:
    std::unique_ptr<fx::FxChain> m_chain;
    bool m_open;
};

// Amplitude of one frequency in channel `ch` of interleaved samples or values.
template <class Sample>
inline double ToneAmplitude(const std::vector<Sample>& s, int channels, int ch, double rate, double hz, size_t from,
                            size_t frames) {
    double re = 0.0, im = 0.0;
    for (size_t n = 0; n < frames; ++n) {
        double v = s[(from + n) * channels + ch];
        double a = 2.0 * kPi * hz * n / rate;
        re += v * std::cos(a);
        im -= v * std::sin(a);
    }
    return 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(frames);
}

// Largest difference between neighbouring samples of one channel.
inline int MaxStep(const std::vector<int16_t>& s, int channels, int ch, size_t from, size_t to) {
    int worst = 0;
    for (size_t n = from + 1; n < to; ++n) {
        int d = std::abs(s[n * channels + ch] - s[(n - 1) * channels + ch]);
        if (d > worst) worst = d;
    }
    return worst;
}

// Samples of any format the chain takes as bytes and back, full scale 1.0
// (written here independently of the chain's own conversions).
inline std::vector<uint8_t> Encode(const fx::FxFormat& f, const std::vector<double>& v) {
    const uint32_t bytes = f.bitsPerSample / 8;
    std::vector<uint8_t> out(v.size() * bytes);
    const int valid = f.validBits ? f.validBits : f.bitsPerSample;
    for (size_t i = 0; i < v.size(); ++i) {
        uint8_t* p = &out[i * bytes];
        if (f.formatTag == 3) {
            float x = static_cast<float>(v[i]);
            std::memcpy(p, &x, 4);
            continue;
        }
        double full = std::ldexp(1.0, valid - 1);
        long long s = std::llround(v[i] * full);
        s = std::min<long long>(std::max<long long>(s, static_cast<long long>(-full)),
                                static_cast<long long>(full) - 1);
        if (bytes == 1) {
            p[0] = static_cast<uint8_t>(s + 128);
            continue;
        }
        uint32_t u = static_cast<uint32_t>(s) << (f.bitsPerSample - valid);
        for (uint32_t b = 0; b < bytes; ++b) p[b] = static_cast<uint8_t>(u >> (8 * b));
    }
    return out;
}

inline std::vector<double> Decode(const fx::FxFormat& f, const std::vector<uint8_t>& in) {
    const uint32_t bytes = f.bitsPerSample / 8;
    std::vector<double> v(in.size() / bytes);
    for (size_t i = 0; i < v.size(); ++i) {
        const uint8_t* p = &in[i * bytes];
        if (f.formatTag == 3) {
            float x;
            std::memcpy(&x, p, 4);
            v[i] = x;
        } else if (bytes == 1) {
            v[i] = (p[0] - 128) / 128.0;
        } else {
            uint32_t u = 0;
            for (uint32_t b = 0; b < bytes; ++b) u |= static_cast<uint32_t>(p[b]) << (8 * b + 32 - 8 * bytes);
            v[i] = static_cast<int32_t>(u) / 2147483648.0;
        }
    }
    return v;
}

}  // namespace fxtest

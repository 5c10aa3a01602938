// Signals, renders and measurements shared by the effects tests.
#pragma once

#include "fx/FxChain.h"
#include "fx/FxParams.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace fxtest {

const double kPi = 3.14159265358979323846;

inline fx::FxFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    return fx::FxFormat{1, channels, rate, bits, static_cast<uint16_t>(channels * bits / 8)};
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

// Amplitude of one frequency in channel `ch` of interleaved samples.
inline double ToneAmplitude(const std::vector<int16_t>& s, int channels, int ch, double rate, double hz, size_t from,
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

}  // namespace fxtest

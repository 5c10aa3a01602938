#include "korvfx/DemoClip.h"

#include <math.h>
#include <sndfile.h>
#include <string.h>

#include <vector>

#include "fx/Biquad.h"

namespace korvfx {
namespace {

const double kPi = 3.14159265358979323846;
const double kBeat = 60.0 / 112.0;  // seconds per beat

// Repeatable noise.
struct Noise {
    uint32_t state = 0x12345678u;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(state)) / 2147483648.0f;
    }
};

double Midi(int note) {
    return 440.0 * pow(2.0, (note - 69) / 12.0);
}

// A band-limited sawtooth from its first harmonics.
double Saw(double phase, double hz, double rate) {
    double v = 0.0;
    for (int k = 1; k <= 12 && k * hz < 0.45 * rate; ++k) v += sin(2.0 * kPi * k * phase) / k;
    return v * 0.55;
}

struct Stereo {
    std::vector<float> l, r;
    void Add(size_t n, double v, double pan) {  // pan -1 left .. +1 right
        if (n >= l.size()) return;
        l[n] += static_cast<float>(v * sqrt(0.5 * (1.0 - pan)));
        r[n] += static_cast<float>(v * sqrt(0.5 * (1.0 + pan)));
    }
};

// Am, F, C, G: root and triad notes.
const int kRoots[4] = {45, 41, 48, 43};
const int kChords[4][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62}};
const int kMelody[16] = {69, 72, 71, 69, 65, 69, 72, 74, 72, 67, 64, 67, 71, 74, 72, 71};

void Drums(Stereo* out, double rate, size_t frames) {
    Noise noise;
    const size_t beats = static_cast<size_t>(frames / (kBeat * rate)) + 1;
    for (size_t b = 0; b < beats; ++b) {
        size_t start = static_cast<size_t>(b * kBeat * rate);
        // Kick on every beat: a falling sine.
        double phase = 0.0;
        for (size_t n = 0; n < static_cast<size_t>(0.35 * rate); ++n) {
            double t = n / rate;
            phase += (45.0 + 90.0 * exp(-t * 30.0)) / rate;
            out->Add(start + n, 0.55 * exp(-t * 9.0) * sin(2.0 * kPi * phase), 0.0);
        }
        // Snare on 2 and 4: noise and a short tone.
        if (b % 2 == 1) {
            for (size_t n = 0; n < static_cast<size_t>(0.25 * rate); ++n) {
                double t = n / rate;
                double v = 0.25 * exp(-t * 18.0) * noise.Next() + 0.15 * exp(-t * 30.0) * sin(2.0 * kPi * 185.0 * t);
                out->Add(start + n, v, 0.15);
            }
        }
        // Hi-hat on the eighths: bright noise, off to the left.
        for (int half = 0; half < 2; ++half) {
            size_t at = start + static_cast<size_t>(half * kBeat * rate / 2);
            float last = 0.0f;
            for (size_t n = 0; n < static_cast<size_t>(0.06 * rate); ++n) {
                float x = noise.Next();
                out->Add(at + n, 0.12 * exp(-70.0 * n / rate) * (x - last), -0.45);
                last = x;
            }
        }
    }
}

void Bass(Stereo* out, double rate, size_t frames) {
    double phase = 0.0, smooth = 0.0;
    const double k = 1.0 - exp(-2.0 * kPi * 400.0 / rate);
    for (size_t n = 0; n < frames; ++n) {
        double t = n / rate;
        size_t beat = static_cast<size_t>(t / kBeat);
        double inBeat = t - beat * kBeat;
        int note = kRoots[(beat / 4) % 4] + ((beat % 4 == 3) ? 12 : 0);
        double hz = Midi(note);
        phase += hz / rate;
        if (phase >= 1.0) phase -= 1.0;
        double env = exp(-inBeat * 3.0) * (inBeat < 0.005 ? inBeat / 0.005 : 1.0);
        smooth += k * (Saw(phase, hz, rate) - smooth);
        out->Add(n, 0.32 * env * smooth, 0.0);
    }
}

void Pad(Stereo* out, double rate, size_t frames) {
    double phase[3][2] = {};
    double smooth[3] = {};
    const double k = 1.0 - exp(-2.0 * kPi * 1800.0 / rate);
    for (size_t n = 0; n < frames; ++n) {
        double t = n / rate;
        size_t bar = static_cast<size_t>(t / (4 * kBeat));
        double inBar = t - bar * 4 * kBeat;
        double env = (1.0 - exp(-inBar * 4.0)) * exp(-inBar * 0.3);
        for (int v = 0; v < 3; ++v) {
            double hz = Midi(kChords[bar % 4][v]);
            double s = 0.0;
            for (int d = 0; d < 2; ++d) {
                double detuned = hz * (d ? 1.004 : 0.996);
                phase[v][d] += detuned / rate;
                if (phase[v][d] >= 1.0) phase[v][d] -= 1.0;
                s += Saw(phase[v][d], detuned, rate);
            }
            smooth[v] += k * (s - smooth[v]);
            out->Add(n, 0.05 * env * smooth[v], v == 0 ? -0.8 : v == 1 ? 0.8 : 0.0);
        }
    }
}

// A pulse through two vowel-like resonances, with vibrato.
void Voice(Stereo* out, double rate, size_t frames) {
    fx::Biquad formant1, formant2, formant3;
    formant1.BandPass(rate, 730.0, 6.0);
    formant2.BandPass(rate, 1090.0, 8.0);
    formant3.BandPass(rate, 2440.0, 10.0);
    double phase = 0.0;
    for (size_t n = 0; n < frames; ++n) {
        double t = n / rate;
        size_t step = static_cast<size_t>(t / (kBeat * 2));
        double inNote = t - step * kBeat * 2;
        double hz = Midi(kMelody[step % 16]) * (1.0 + 0.006 * sin(2.0 * kPi * 5.5 * t) * (inNote > 0.2 ? 1.0 : 0.0));
        phase += hz / rate;
        double pulse = 0.0;
        if (phase >= 1.0) {
            phase -= 1.0;
            pulse = 1.0;
        }
        double env = (inNote < 0.04 ? inNote / 0.04 : 1.0) * (inNote > kBeat * 1.8 ? 0.0 : 1.0);
        float x = static_cast<float>(pulse * env);
        double v = 3.0 * formant1.Process(x) + 2.0 * formant2.Process(x) + 0.8 * formant3.Process(x);
        out->Add(n, 0.6 * v, -0.2);
    }
}

}  // namespace

Audio DemoClip(uint32_t sampleRate, double seconds) {
    const double rate = sampleRate;
    const size_t frames = static_cast<size_t>(seconds * rate);
    Stereo mix;
    mix.l.assign(frames, 0.0f);
    mix.r.assign(frames, 0.0f);
    Drums(&mix, rate, frames);
    Bass(&mix, rate, frames);
    Pad(&mix, rate, frames);
    Voice(&mix, rate, frames);

    // Peaks at -3 dB, with short fades at both ends.
    float peak = 1e-9f;
    for (size_t n = 0; n < frames; ++n) peak = fmaxf(peak, fmaxf(fabsf(mix.l[n]), fabsf(mix.r[n])));
    const double gain = 0.708 / peak;
    const size_t fade = static_cast<size_t>(0.02 * rate);
    Audio w = Audio::Make(fx::kFormatPcm, 16, 2, sampleRate, frames);
    w.fileFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    for (size_t n = 0; n < frames; ++n) {
        double edge = n < fade ? double(n) / fade : n + fade > frames ? double(frames - n) / fade : 1.0;
        int16_t lr[2] = {static_cast<int16_t>(lrint(mix.l[n] * gain * edge * 32767.0)),
                         static_cast<int16_t>(lrint(mix.r[n] * gain * edge * 32767.0))};
        memcpy(&w.data[n * 4], lr, 4);
    }
    return w;
}

}  // namespace korvfx

// Not a test: `make bench` runs it. How many seconds of 44.1 kHz 16-bit
// stereo the effects process per second of one core, with every knob at 11,
// in buffers of 1024 frames as a player plays them:
//   bench dsp-realtime: <factor>x (<seconds processed> vs <seconds of cpu>)
#include <math.h>
#include <stdio.h>
#include <time.h>

#include <memory>
#include <vector>

#include "fx/FxChain.h"
#include "korvfx/KnobMessages.h"

int main() {
    const uint32_t rate = 44100, frames = rate * 10, buffer = 1024;
    // Ten seconds of music-like material: bass, a chord and some noise.
    std::vector<int16_t> source(2 * static_cast<size_t>(frames));
    uint32_t noise = 1;
    for (uint32_t n = 0; n < frames; ++n) {
        double t = static_cast<double>(n) / rate;
        noise = noise * 1664525u + 1013904223u;
        double common = 0.3 * sin(2 * 3.14159265 * 55 * t) + 0.05 * (static_cast<int32_t>(noise) / 2147483648.0);
        source[2 * n] = static_cast<int16_t>(32767 * (common + 0.15 * sin(2 * 3.14159265 * 440 * t)));
        source[2 * n + 1] = static_cast<int16_t>(32767 * (common + 0.15 * sin(2 * 3.14159265 * 659.3 * t)));
    }
    std::vector<int16_t> out(source.size());

    korvfx::KnobSettings knobs;
    knobs.position3D = knobs.vibe = knobs.soundfields = 11;
    const fx::FxParams params = korvfx::ParamsFromMessages(korvfx::KnobMessages(knobs));
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    if (!chain->Open(fx::FxFormat{1, 2, rate, 16, 4})) return 1;

    // Whole passes over the ten seconds until two seconds of CPU have gone.
    double processed = 0.0, cpu = 0.0;
    const clock_t start = clock();
    unsigned checksum = 0;
    do {
        for (uint32_t at = 0; at < frames; at += buffer) {
            uint32_t n = frames - at < buffer ? frames - at : buffer;
            chain->Process(params, &source[2 * static_cast<size_t>(at)], &out[2 * static_cast<size_t>(at)], n * 4);
        }
        checksum += static_cast<uint16_t>(out[12345]);
        processed += static_cast<double>(frames) / rate;
        cpu = static_cast<double>(clock() - start) / CLOCKS_PER_SEC;
    } while (cpu < 2.0);
    const double factor = processed / cpu;
    printf(factor >= 100.0 ? "bench dsp-realtime: %.0fx (%.0f s of audio vs %.2f s of cpu)\n"
                           : "bench dsp-realtime: %.2fx (%.0f s of audio vs %.2f s of cpu)\n",
           factor, processed, cpu);
    return checksum == 0xFFFFFFFFu;  // keeps the work from being optimised away
}

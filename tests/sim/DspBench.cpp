// dsp_realtime_bench.exe: how many seconds of 44.1 kHz 16-bit stereo the
// effects process per second of one core, every knob at 11, built as the
// hook library builds them (i686, x87) and run under Wine. Prints
//   bench dsp-realtime-wine: <factor>x (...)
// Speed is a ratio against real time, measured in this run; nothing is asserted.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "fx/FxChain.h"
#include "fx/FxParams.h"
#include "fxengine/hook/X87Precision.h"
#include "tests/common/TestSignal.h"
#include "tests/sim/BenchEngine.h"

namespace {

constexpr uint32_t kRate = 44100, kFrames = 4096, kBlock = 4;

// The messages the console sends with every knob at 11 and headphones off.
fx::FxParams AllAtEleven() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    bench::SendLevels([&p](uint32_t code, uint32_t bits) { fx::FxParams_Apply(&p, code, &bits, 4); }, 1.0f);
    return p;
}

}  // namespace

int main() {
    // A minute of the test signal, looped through one chain.
    std::vector<char> in(kFrames * kBlock), out(kFrames * kBlock);
    testsignal::Fill(in.data(), static_cast<uint32_t>(in.size()), 0, kRate, 2, 16);
    const fx::FxParams params = AllAtEleven();
    fx::FxChain chain;
    if (!chain.Open({1, 2, kRate, 16, kBlock})) {
        fprintf(stderr, "dsp_realtime_bench: the effects refuse 44.1 kHz 16-bit stereo\n");
        return 1;
    }
    fxengine::X87Precision precision;
    // At least a minute of audio and at least two seconds of CPU, so the
    // clock's coarse steps do not matter.
    unsigned long long frames = 0;
    const double start = bench::ThreadSeconds();
    double spent = 0;
    while (frames < 60ull * kRate || spent < 2.0) {
        for (int i = 0; i < 16; ++i) chain.Process(params, in.data(), out.data(), static_cast<uint32_t>(in.size()));
        frames += 16ull * kFrames;
        spent = bench::ThreadSeconds() - start;
        if (spent > 120) break;
    }
    const double audio = static_cast<double>(frames) / kRate;
    printf(
        "bench dsp-realtime-wine: %.1fx (%.1f s of 44.1 kHz 16-bit stereo, every effect at 11, in %.2f s of one "
        "core; x87 build under Wine)\n",
        audio / spent, audio, spent);
    return 0;
}

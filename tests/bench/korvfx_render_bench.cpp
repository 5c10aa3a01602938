// `make bench`'s korvfx figure: a 3-minute 44.1 kHz stereo FLAC rendered with
// every effect at 11 (reading, the effects, both loudness measurements,
// writing) against only reading and writing the same file, in one run.
// Wall time, as a user waits for it (the loudness of the before is measured
// on a second core), and processor time, which a busy machine disturbs less;
// medians of three.
//   korvfx_render_bench DIR (tools/bench.sh builds and runs it)
#include <stdio.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "korvfx/AudioFile.h"
#include "korvfx/Command.h"
#include "korvfx/DemoClip.h"
#include "tests/common/Median.h"

namespace {

double Seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Times {
    std::vector<double> wall, cpu;
    void Add(double w, double c) {
        wall.push_back(w);
        cpu.push_back(c);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string in = dir + "/render-bench-in.flac", out = dir + "/render-bench-out.flac";
    std::string error, text;
    if (!korvfx::WriteAudio(in, korvfx::DemoClip(44100, 180.0), &error)) {
        fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    Times ours, base;
    for (int run = 0; run < 3; ++run) {
        double w0 = Seconds(CLOCK_MONOTONIC), c0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        korvfx::Audio audio;
        if (!korvfx::ReadAudio(in, &audio, &error) || !korvfx::WriteAudio(out, audio, &error)) {
            fprintf(stderr, "bench: %s\n", error.c_str());
            return 1;
        }
        double w1 = Seconds(CLOCK_MONOTONIC), c1 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        if (korvfx::RunKorvfx({"render", in, out, "--3d", "11", "--vibe", "11", "--soundfields", "11"}, &text,
                              &error) != 0) {
            fprintf(stderr, "bench: %s", error.c_str());
            return 1;
        }
        base.Add(w1 - w0, c1 - c0);
        ours.Add(Seconds(CLOCK_MONOTONIC) - w1, Seconds(CLOCK_PROCESS_CPUTIME_ID) - c1);
    }
    remove(in.c_str());
    remove(out.c_str());
    const double o = Median(ours.wall), b = Median(base.wall), oc = Median(ours.cpu), bc = Median(base.cpu);
    printf(
        "bench korvfx-render: %.2fx (%.2f s vs %.2f s; processor time %.2fx, %.2f s vs %.2f s: a 3-minute "
        "44.1 kHz stereo FLAC rendered with every effect at 11 and its loudness measured before and after, "
        "against reading and writing it)\n",
        o / b, o, b, oc / bc, oc, bc);
    return 0;
}

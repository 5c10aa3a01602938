#include "korvfx/Command.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "korvfx/DemoClip.h"
#include "korvfx/EffectOptions.h"
#include "korvfx/PlotReport.h"

namespace korvfx {
namespace {

int Usage(std::string* err) {
    *err +=
        "usage: korvfx render IN OUT.wav|OUT.flac [--match-loudness] [EFFECTS]\n"
        "       korvfx plot IN OUT.png|OUT.svg [--match-loudness] [EFFECTS]\n"
        "       korvfx demo OUT.wav|OUT.flac\n"
        "IN: WAV, FLAC, Ogg, MP3 ...\n"
        "EFFECTS: --3d N --vibe N --soundfields N (0..11) --headphones --master DB (-20..0)\n"
        "         or --journal FILE (the state a simulated engine's journal leaves); none: every knob at 0\n";
    return 2;
}

}  // namespace

int RunKorvfx(const std::vector<std::string>& args, std::string* out, std::string* err) {
    std::string error;
    auto fail = [&] {
        std::replace(error.begin(), error.end(), '\n', ' ');
        *err += "korvfx: " + error + "\n";
        return 1;
    };
    const std::string command = args.empty() ? "" : args[0];
    if (command == "demo" && args.size() == 2) {
        if (!WriteAudio(args[1], DemoClip(), &error)) return fail();
        *out += "korvfx: demo clip written to " + args[1] + "\n";
        return 0;
    }
    if ((command != "render" && command != "plot") || args.size() < 3) return Usage(err);
    const std::string &in = args[1], &to = args[2];

    EffectOptions options;
    Audio before;
    Comparison compared;
    int format = 0;
    bool svg = false;
    if (!ParseEffectOptions(std::vector<std::string>(args.begin() + 3, args.end()), &options, &error) ||
        (command == "render" ? !OutputFormat(to, 0, 2, &format, &error) : !PlotFormat(to, &svg, &error)) ||
        !ReadAudio(in, &before, &error) ||
        !RenderCompared(before, options.params, options.matchLoudness, &compared, &error))
        return fail();

    char change[96] = "";
    if (isfinite(compared.before.lufs) && isfinite(compared.afterLoudness.lufs))
        snprintf(change, sizeof change, " (%+.1f LU)", compared.afterLoudness.lufs - compared.before.lufs);
    *out += "korvfx: " + options.summary + "\nkorvfx: before: " + DescribeLoudness(compared.before) +
            "\nkorvfx: after:  " + DescribeLoudness(compared.afterLoudness) + change + "\n";
    if (compared.matchDb != 0.0) {
        snprintf(change, sizeof change, "%+.2f dB", compared.matchDb);
        *out += "korvfx: matched to the before's loudness with " + std::string(change) + " of master gain\n";
    }
    // A plot has the settings in words as its title; where they came from is printed above.
    if (command == "render"
            ? !WriteAudio(to, compared.after, &error)
            : !WriteReport(to, before, compared, options.params, DescribeParams(options.params), &error))
        return fail();
    *out += command == "render" ? "korvfx: rendered " + in + " to " + to + "\n"
                                : "korvfx: plot of " + in + " written to " + to + "\n";
    return 0;
}

}  // namespace korvfx

#include "korvfx/Command.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "korvfx/AudioFile.h"
#include "korvfx/DemoClip.h"
#include "korvfx/EffectOptions.h"
#include "korvfx/PlotReport.h"
#include "korvfx/Render.h"

namespace korvfx {
namespace {

int Usage(std::string* err) {
    *err +=
        "usage: korvfx render IN OUT.wav|OUT.flac [--match-loudness] [EFFECTS]\n"
        "       korvfx plot IN OUT.png|OUT.svg [--match-loudness] [EFFECTS]\n"
        "       korvfx demo OUT.wav|OUT.flac\n"
        "IN: WAV, FLAC, Ogg, MP3 ...\n"
        "EFFECTS: --3d N --vibe N --soundfields N (0..11) --headphones --master DB (-20..0)\n"
        "         or --journal FILE\n";
    return 2;
}

int Fail(std::string message, std::string* err) {
    std::replace(message.begin(), message.end(), '\n', ' ');
    *err += "korvfx: " + message + "\n";
    return 1;
}

}  // namespace

int RunKorvfx(const std::vector<std::string>& args, std::string* out, std::string* err) {
    if (args.size() < 2) return Usage(err);
    const std::string& command = args[0];
    std::string error;

    if (command == "demo") {
        if (args.size() != 2) return Usage(err);
        if (!WriteAudio(args[1], DemoClip(), &error)) return Fail(error, err);
        *out += "korvfx: demo clip written to " + args[1] + "\n";
        return 0;
    }
    if ((command != "render" && command != "plot") || args.size() < 3) return Usage(err);
    const std::string &in = args[1], &to = args[2];

    EffectOptions options;
    if (!ParseEffectOptions(std::vector<std::string>(args.begin() + 3, args.end()), &options, &error))
        return Fail(error, err);
    int format = 0;
    if (command == "render" && !OutputFormat(to, 0, 2, &format, &error)) return Fail(error, err);
    Audio before;
    Comparison compared;
    if (!ReadAudio(in, &before, &error) ||
        !RenderCompared(before, options.params, options.matchLoudness, &compared, &error))
        return Fail(error, err);

    *out += "korvfx: " + options.summary + "\n";
    *out += "korvfx: before: " + DescribeLoudness(compared.before) + "\n";
    *out += "korvfx: after:  " + DescribeLoudness(compared.afterLoudness);
    if (isfinite(compared.before.lufs) && isfinite(compared.afterLoudness.lufs)) {
        char change[64];
        snprintf(change, sizeof change, " (%+.1f LU)", compared.afterLoudness.lufs - compared.before.lufs);
        *out += change;
    }
    *out += "\n";
    if (compared.matchDb != 0.0) {
        char match[96];
        snprintf(match, sizeof match, "korvfx: matched to the before's loudness with %+.2f dB of master gain\n",
                 compared.matchDb);
        *out += match;
    }
    if (command == "render") {
        if (!WriteAudio(to, compared.after, &error)) return Fail(error, err);
        *out += "korvfx: rendered " + in + " to " + to + "\n";
        return 0;
    }
    // The settings in words as the title; where they came from is printed above.
    if (!WriteReport(to, before, compared, options.params, DescribeParams(options.params), &error))
        return Fail(error, err);
    *out += "korvfx: plot of " + in + " written to " + to + "\n";
    return 0;
}

}  // namespace korvfx

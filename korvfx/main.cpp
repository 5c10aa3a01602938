// korvfx: the effects engine on files.
//   korvfx render IN.wav OUT.wav [EFFECTS]   IN through the effects into OUT
//   korvfx plot IN.wav OUT.png [EFFECTS]     what the effects do to IN, as a picture
//   korvfx demo OUT.wav                      a synthesised demo clip
// EFFECTS: --3d N --vibe N --soundfields N (knob positions 0..11), --headphones,
// --master DB (-20..0), or --journal FILE (the state a simulated engine's
// journal leaves). No options: every effect off.
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "fx/FxChain.h"
#include "korvfx/Canvas.h"
#include "korvfx/DemoClip.h"
#include "korvfx/EffectOptions.h"
#include "korvfx/PlotReport.h"
#include "korvfx/PngWriter.h"
#include "korvfx/WavFile.h"

namespace {

int Usage() {
    fputs(
        "usage: korvfx render IN.wav OUT.wav [EFFECTS]\n"
        "       korvfx plot IN.wav OUT.png [EFFECTS]\n"
        "       korvfx demo OUT.wav\n"
        "EFFECTS: --3d N --vibe N --soundfields N (0..11) --headphones --master DB (-20..0)\n"
        "         or --journal FILE\n",
        stderr);
    return 2;
}

int Fail(const std::string& message) {
    fprintf(stderr, "korvfx: %s\n", message.c_str());
    return 1;
}

// The whole file through one chain, in buffers like a player's.
korvfx::WavFile Render(const korvfx::WavFile& in, const fx::FxParams& params, bool* processed) {
    korvfx::WavFile out = in;
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    *processed = chain->Open(in.format);
    const size_t buffer = static_cast<size_t>(in.format.blockAlign) * 2048;
    for (size_t at = 0; at < in.data.size(); at += buffer) {
        size_t n = in.data.size() - at < buffer ? in.data.size() - at : buffer;
        chain->Process(params, &in.data[at], &out.data[at], static_cast<uint32_t>(n));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    std::string error;

    if (command == "demo") {
        if (argc != 3) return Usage();
        if (!korvfx::DemoClip().Save(argv[2], &error)) return Fail(error);
        printf("korvfx: demo clip written to %s\n", argv[2]);
        return 0;
    }
    if ((command != "render" && command != "plot") || argc < 4) return Usage();

    korvfx::EffectOptions options;
    if (!korvfx::ParseEffectOptions(std::vector<std::string>(argv + 4, argv + argc), &options, &error))
        return Fail(error);
    korvfx::WavFile in;
    if (!in.Load(argv[2], &error)) return Fail(error);
    bool processed = false;
    korvfx::WavFile out = Render(in, options.params, &processed);
    printf("korvfx: %s\n", options.summary.c_str());
    if (!processed)
        printf("korvfx: format %u/%u ch/%u Hz/%u bit is not processed; passed untouched\n", in.format.formatTag,
               in.format.channels, in.format.sampleRate, in.format.bitsPerSample);

    if (command == "render") {
        if (!out.Save(argv[3], &error)) return Fail(error);
        printf("korvfx: rendered %s to %s\n", argv[2], argv[3]);
        return 0;
    }
    korvfx::Canvas canvas(1200, 900, korvfx::Rgb{255, 255, 255});
    // The settings in words as the title; where they came from is printed above.
    if (!korvfx::DrawReport(in, out, options.params, korvfx::DescribeParams(options.params), &canvas, &error))
        return Fail(error);
    if (!korvfx::WritePng(argv[3], canvas.Pixels(), canvas.Width(), canvas.Height()))
        return Fail(std::string("cannot write ") + argv[3]);
    printf("korvfx: plot of %s written to %s\n", argv[2], argv[3]);
    return 0;
}

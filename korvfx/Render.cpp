#include "korvfx/Render.h"

#include <math.h>

#include <memory>

#include "fx/FxChain.h"

namespace korvfx {

bool RenderAudio(const Audio& in, const fx::FxParams& params, Audio* out, std::string* error) {
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);  // large: not on the stack
    if (!chain->Open(in.format)) {
        fx::FxFormat usual = in.format;
        usual.sampleRate = 44100;
        *error = DescribeAudio(in) + ": " +
                 (fx::FxFormat_Supported(usual) ? "the effects do not take " + std::to_string(in.format.sampleRate) +
                                                      " Hz; convert it to 44100 or 48000 Hz first"
                                                : std::string("not a layout the effects take"));
        return false;
    }
    Audio result = in;
    const size_t buffer = static_cast<size_t>(in.format.blockAlign) * 2048;
    for (size_t at = 0; at < in.data.size(); at += buffer) {
        size_t n = in.data.size() - at < buffer ? in.data.size() - at : buffer;
        chain->Process(params, &in.data[at], &result.data[at], static_cast<uint32_t>(n));
    }
    *out = std::move(result);
    return true;
}

bool RenderCompared(const Audio& in, const fx::FxParams& params, bool matchLoudness, Comparison* out,
                    std::string* error) {
    fx::FxParams p = params;
    if (!MeasureLoudness(in, &out->before, error)) return false;
    if (!RenderAudio(in, p, &out->after, error) || !MeasureLoudness(out->after, &out->afterLoudness, error))
        return false;
    if (!matchLoudness || !isfinite(out->before.lufs)) return true;
    // The master gain does not stay linear once the limiter bends the peaks:
    // a few corrections from what came out.
    for (int pass = 0; pass < 4 && isfinite(out->afterLoudness.lufs); ++pass) {
        double missing = out->before.lufs - out->afterLoudness.lufs;
        if (fabs(missing) < 0.02) break;
        out->matchDb += missing;
        p.masterGain = static_cast<float>(params.masterGain * pow(10.0, out->matchDb / 20.0));
        if (!RenderAudio(in, p, &out->after, error) || !MeasureLoudness(out->after, &out->afterLoudness, error))
            return false;
    }
    return true;
}

}  // namespace korvfx
